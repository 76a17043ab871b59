// A name server that takes its time, for the tests: a name ending in ".slow.test" is found at
// 127.0.0.1 only after SOLVANE_SLOW_LOOKUP_MS milliseconds (8000 when unset); every other name goes
// to the system's resolver. Linked into a test program, or preloaded into the host (LD_PRELOAD),
// where each slow lookup that begins is noted on stderr as "slow lookup: NAME".
//
// With SOLVANE_HOLD_STOP_MS set, taking a transfer of such a name out of its libcurl multi handle
// takes that long too: a library that waits for its lookup before it lets a stopped transfer go.
#include "SlowLookup.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <netdb.h>
#include <strings.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace
{
constexpr char kSlowSuffix[] = ".slow.test";

std::mutex lookupMutex;
std::condition_variable lookupBegun;
int lookupsBegun = 0;

bool IsSlow(const char* name)
{
    const size_t length = name ? std::strlen(name) : 0;
    const size_t suffix = sizeof kSlowSuffix - 1;
    return length > suffix && strcasecmp(name + length - suffix, kSlowSuffix) == 0;
}

long Milliseconds(const char* variable, long fallback)
{
    const char* text = std::getenv(variable);
    return text && *text ? std::atol(text) : fallback;
}

template <typename Function> Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// libcurl comes with the module, loaded apart from the program's own libraries: found by name.
template <typename Function> Function FromCurl(const char* name)
{
    void* curl = dlopen("libcurl.so.4", RTLD_LAZY | RTLD_NOLOAD);
    return curl ? reinterpret_cast<Function>(dlsym(curl, name)) : nullptr;
}
} // namespace

extern "C" __attribute__((visibility("default"))) int getaddrinfo(const char* node, const char* service,
                                                                  const struct addrinfo* hints,
                                                                  struct addrinfo** result)
{
    using Real = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
    static const Real real = Next<Real>("getaddrinfo");
    if (!IsSlow(node))
        return real(node, service, hints, result);
    std::fprintf(stderr, "slow lookup: %s\n", node);
    {
        std::lock_guard<std::mutex> lock(lookupMutex);
        ++lookupsBegun;
    }
    lookupBegun.notify_all();
    // The name server's delay: nothing can shorten a lookup once asked.
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds("SOLVANE_SLOW_LOOKUP_MS", 8000)));
    return real("127.0.0.1", service, hints, result);
}

extern "C" __attribute__((visibility("default"))) CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy)
{
    using Real = CURLMcode (*)(CURLM*, CURL*);
    using GetInfo = CURLcode (*)(CURL*, CURLINFO, ...);
    static const Real real = FromCurl<Real>("curl_multi_remove_handle");
    static const GetInfo getInfo = FromCurl<GetInfo>("curl_easy_getinfo");
    const long hold = Milliseconds("SOLVANE_HOLD_STOP_MS", 0);
    char* url = nullptr;
    if (hold > 0 && getInfo(easy, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url)
    {
        // "http://NAME[:PORT]/...": the name alone.
        const char* name = std::strstr(url, "://");
        std::string host(name ? name + 3 : url);
        host = host.substr(0, host.find_first_of(":/"));
        if (IsSlow(host.c_str()))
            std::this_thread::sleep_for(std::chrono::milliseconds(hold));
    }
    return real(multi, easy);
}

int SlowLookupsBegun()
{
    std::lock_guard<std::mutex> lock(lookupMutex);
    return lookupsBegun;
}

bool WaitForSlowLookups(int count, std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> lock(lookupMutex);
    return lookupBegun.wait_for(lock, limit, [count] { return lookupsBegun >= count; });
}
