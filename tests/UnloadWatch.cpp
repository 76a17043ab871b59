// Watches the host unload its module, for the tests: preloaded into the host (LD_PRELOAD), it
// counts the module's threads (the toolkit's threads, or threads of its own, that the module's code
// starts; the desktop libraries' helper threads and libcurl's name lookups run none of its code)
// and says on stderr, as the module is unloaded, how many of them still run:
// "unload watch: Solvane.so unloaded, N of its threads running".
#include <dlfcn.h>
#include <execinfo.h>
#include <link.h>
#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace
{
std::atomic<int> moduleThreads{0};

bool EndsWith(const char* text, const char* tail)
{
    const size_t length = text ? std::strlen(text) : 0, tailLength = std::strlen(tail);
    return length >= tailLength && std::strcmp(text + length - tailLength, tail) == 0;
}

const char* LibraryOf(const void* address)
{
    Dl_info info;
    return dladdr(address, &info) ? info.dli_fname : nullptr;
}

bool CalledFromModule()
{
    void* frames[64];
    const int count = backtrace(frames, 64);
    for (int i = 0; i < count; ++i)
    {
        if (EndsWith(LibraryOf(frames[i]), "/Solvane.so"))
            return true;
    }
    return false;
}

struct Start
{
    void* (*routine)(void*);
    void* argument;
};

// Counted until the thread's function returns or the thread exits, whichever way.
struct Counted
{
    Counted() { ++moduleThreads; }
    ~Counted() { --moduleThreads; }
};

void* RunCounted(void* start)
{
    const Start copy = *static_cast<Start*>(start);
    delete static_cast<Start*>(start);
    Counted counted;
    return copy.routine(copy.argument);
}
} // namespace

extern "C" __attribute__((visibility("default"))) int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                                                                     void* (*routine)(void*), void* argument)
{
    using Real = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "pthread_create"));
    const char* library = LibraryOf(reinterpret_cast<void*>(routine));
    const bool moduleCode = library && (std::strstr(library, "libwx_base") || EndsWith(library, "/Solvane.so"));
    if (moduleCode && CalledFromModule())
    {
        auto* start = new Start{routine, argument};
        const int result = real(thread, attributes, &RunCounted, start);
        if (result != 0)
            delete start;
        return result;
    }
    return real(thread, attributes, routine, argument);
}

extern "C" __attribute__((visibility("default"))) int dlclose(void* handle)
{
    using Real = int (*)(void*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "dlclose"));
    link_map* map = nullptr;
    const bool module = dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && EndsWith(map->l_name, "/Solvane.so");
    const int running = moduleThreads.load();
    const int result = real(handle);
    if (module)
        std::fprintf(stderr, "unload watch: Solvane.so unloaded, %d of its threads running\n", running);
    return result;
}
