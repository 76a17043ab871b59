// The record of a crash during a new module's trial: the only end of the program that counts
// against the module, written into the trial marker as the process dies.
#include "host/CrashRecord.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

namespace
{
const int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
// Everything the handler touches is ready before a crash: it may only make async-signal-safe calls.
char markerPath[PATH_MAX];
volatile sig_atomic_t armed = 0;
// A stack overflow leaves no stack to run the handler on.
alignas(16) char alternateStack[64 * 1024];

void OnCrash(int signal)
{
    if (armed)
    {
        // No O_CREAT: a marker that is gone means the trial is over.
        const int fd = open(markerPath, O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd >= 0)
        {
            char line[32] = "crashed ";
            size_t length = std::strlen(line);
            char digits[12];
            size_t count = 0;
            for (unsigned value = static_cast<unsigned>(signal); value > 0 || count == 0; value /= 10)
                digits[count++] = static_cast<char>('0' + value % 10);
            while (count > 0)
                line[length++] = digits[--count];
            line[length++] = '\n';
            ssize_t written = write(fd, line, length);
            (void)written;
            close(fd);
        }
    }
    // The handler was reset on entry: the signal now ends the process as it would have.
    raise(signal);
}

void DisarmNow()
{
    armed = 0;
}
} // namespace

void CrashRecord::Arm(const wxString& path)
{
    const wxCharBuffer name = path.fn_str();
    if (!name.data() || std::strlen(name.data()) >= sizeof markerPath)
        return;
    std::strcpy(markerPath, name.data());
    stack_t stack = {};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action = {};
    action.sa_handler = OnCrash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK | SA_RESETHAND | SA_NODEFER;
    for (int signal : kCrashSignals)
        sigaction(signal, &action, nullptr);
    armed = 1;
}

void CrashRecord::Disarm()
{
    armed = 0;
}

void CrashRecord::DisarmAtExit()
{
    static bool registered = false;
    if (!registered)
        registered = std::atexit(DisarmNow) == 0;
}
