// A GTK module (GTK_MODULES=/path/to/it) that times the program's event loop from inside: a 10 ms
// timer on the loop, and every tick that comes more than 20 ms after the one before is appended
// to the file named by EVENT_LOOP_PROBE_LOG as "<wall-clock ms at the late tick> <gap in ms>".
// The first tick writes "start <ms>", so a run without lines after it never waited long.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace
{
using SourceFunction = int (*)(void*);
using TimeoutAdd = unsigned (*)(unsigned, SourceFunction, void*);

const int kIntervalMs = 10;
const long long kReportedGapMs = 20;
int logFile = -1;
long long lastTick = 0;

long long NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int OnTick(void*)
{
    const long long now = NowMs();
    char line[64];
    int length = 0;
    if (lastTick == 0)
        length = std::snprintf(line, sizeof line, "start %lld\n", now);
    else if (now - lastTick > kReportedGapMs)
        length = std::snprintf(line, sizeof line, "%lld %lld\n", now, now - lastTick);
    lastTick = now;
    if (length > 0 && write(logFile, line, static_cast<size_t>(length)) < 0)
        logFile = -1; // nowhere to report to: the probe stops
    return logFile >= 0; // true keeps the timer
}
} // namespace

extern "C" __attribute__((visibility("default"))) void gtk_module_init(int*, char***)
{
    const char* path = std::getenv("EVENT_LOOP_PROBE_LOG");
    // The loop's own library is already loaded by the program that loads this module.
    auto timeoutAdd = reinterpret_cast<TimeoutAdd>(dlsym(RTLD_DEFAULT, "g_timeout_add"));
    if (!path || !timeoutAdd)
        return;
    logFile = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (logFile >= 0)
        timeoutAdd(kIntervalMs, OnTick, nullptr);
}
