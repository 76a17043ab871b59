// A name server that takes its time, for the tests: preloaded into the host (LD_PRELOAD), it finds a
// name ending in ".slow.test" at 127.0.0.1 only after SOLVANE_SLOW_LOOKUP_MS milliseconds (8000
// when unset), and notes each such lookup that begins on stderr as "slow lookup: NAME"; every
// other name goes to the system's resolver.
//
// With SOLVANE_HOLD_STOP_MS set, taking a transfer to such a name out of its libcurl multi handle
// takes that long too: a library that waits for its lookup before it lets a stopped transfer go.
#include <curl/curl.h>
#include <dlfcn.h>
#include <netdb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#define SLOW_LOOKUP_API __attribute__((visibility("default")))

namespace
{
bool IsSlow(const char* name)
{
    const char* dot = name ? std::strstr(name, ".slow.test") : nullptr;
    return dot && dot != name && std::strcmp(dot, ".slow.test") == 0;
}

void Delay(const char* variable, long fallback)
{
    const char* text = std::getenv(variable);
    std::this_thread::sleep_for(std::chrono::milliseconds(text && *text ? std::atol(text) : fallback));
}
} // namespace

extern "C" SLOW_LOOKUP_API int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                                           struct addrinfo** result)
{
    using Real = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
    if (!IsSlow(node))
        return real(node, service, hints, result);
    std::fprintf(stderr, "slow lookup: %s\n", node);
    // The name server's delay: nothing can shorten a lookup once asked.
    Delay("SOLVANE_SLOW_LOOKUP_MS", 8000);
    return real("127.0.0.1", service, hints, result);
}

extern "C" SLOW_LOOKUP_API CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy)
{
    // libcurl comes with the module, apart from the program's own libraries: found by its name.
    using Real = CURLMcode (*)(CURLM*, CURL*);
    using GetInfo = CURLcode (*)(CURL*, CURLINFO, ...);
    void* curl = dlopen("libcurl.so.4", RTLD_LAZY | RTLD_NOLOAD);
    static const Real real = reinterpret_cast<Real>(dlsym(curl, "curl_multi_remove_handle"));
    static const GetInfo getInfo = reinterpret_cast<GetInfo>(dlsym(curl, "curl_easy_getinfo"));
    dlclose(curl);
    char* url = nullptr;
    if (std::getenv("SOLVANE_HOLD_STOP_MS") && getInfo(easy, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url)
    {
        // "http://NAME:PORT/...": the name alone.
        std::string name(std::strstr(url, "://") ? std::strstr(url, "://") + 3 : url);
        if (IsSlow(name.substr(0, name.find_first_of(":/")).c_str()))
            Delay("SOLVANE_HOLD_STOP_MS", 0);
    }
    return real(multi, easy);
}
