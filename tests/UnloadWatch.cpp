// Watches the host unload its module, for the tests: preloaded into the host (LD_PRELOAD), it
// counts the toolkit's threads that run (the module's polling and download threads are such; the
// desktop libraries' helpers and libcurl's name lookups are not) and says on stderr, as the module
// is unloaded, how many still run: "unload watch: Solvane.so unloaded, N of its threads running".
#include <dlfcn.h>
#include <link.h>
#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace
{
std::atomic<int> running{0};

struct Start
{
    void* (*routine)(void*);
    void* argument;
};

// Counted until the thread's function returns or the thread exits, whichever way.
void* RunCounted(void* start)
{
    const Start copy = *static_cast<Start*>(start);
    delete static_cast<Start*>(start);
    struct Counted
    {
        Counted() { ++running; }
        ~Counted() { --running; }
    } counted;
    return copy.routine(copy.argument);
}
} // namespace

extern "C" __attribute__((visibility("default"))) int pthread_create(pthread_t* thread,
                                                                     const pthread_attr_t* attributes,
                                                                     void* (*routine)(void*), void* argument)
{
    using Real = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "pthread_create"));
    Dl_info library;
    if (!dladdr(reinterpret_cast<void*>(routine), &library) || !std::strstr(library.dli_fname, "libwx_base"))
        return real(thread, attributes, routine, argument);
    auto* start = new Start{routine, argument};
    const int result = real(thread, attributes, &RunCounted, start);
    if (result != 0)
        delete start;
    return result;
}

extern "C" __attribute__((visibility("default"))) int dlclose(void* handle)
{
    using Real = int (*)(void*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "dlclose"));
    link_map* map = nullptr;
    const char* name = dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map ? std::strrchr(map->l_name, '/') : nullptr;
    if (name && std::strcmp(name, "/Solvane.so") == 0)
        std::fprintf(stderr, "unload watch: Solvane.so unloaded, %d of its threads running\n", running.load());
    return real(handle);
}
