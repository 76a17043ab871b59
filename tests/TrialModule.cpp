// A module for the host's tests of new modules: it leaves a file in the current folder when it is
// loaded, then crashes or fails where the build asks it to (the latest a second after it started).
#include <csignal>
#include <cstdio>

#include <unistd.h>

__attribute__((constructor)) static void Loaded()
{
    if (std::FILE* file = std::fopen("module-was-loaded", "w"))
        std::fclose(file);
#ifdef TRIAL_CRASH_IN_CONSTRUCTOR
    std::raise(SIGSEGV);
#endif
}

extern "C" __attribute__((visibility("default"))) bool SiteRun()
{
#ifdef TRIAL_CRASH_IN_SITERUN
    std::raise(SIGSEGV);
#endif
#ifdef TRIAL_CRASH_LATER
    std::signal(SIGALRM, [](int) { std::raise(SIGSEGV); });
    alarm(1);
#endif
#ifdef TRIAL_SITERUN_FAILS
    return false;
#endif
    return true;
}

extern "C" __attribute__((visibility("default"))) void* GetNewPluginFileName()
{
    return nullptr;
}
