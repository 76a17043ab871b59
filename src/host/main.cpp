// The host's entry: the toolkit starts with argv[0] set to the executable's full path.
#include "host/CommandLine.h"
#include "host/DisplayBackend.h"
#include "host/HostApp.h"
#include "host/InstanceLock.h"
#include "util/SayOnStderr.h"

#include <glib.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
// The path of the running file, whether it was started by a relative path, through PATH or
// through a symbolic link.
std::string ExecutablePath(const char* argv0)
{
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    if (length > 0)
        return std::string(buffer.data(), static_cast<size_t>(length));
    if (char* resolved = realpath(argv0, nullptr))
    {
        std::string path(resolved);
        std::free(resolved);
        return path;
    }
    return argv0;
}
} // namespace

int main(int argc, char** argv)
{
    // Answered without a display: a person asking for the version or the usage wants no window.
    if (const int status = AnswerCommandLine(argc, argv, SOLVANE_VERSION, stdout, stderr); status >= 0)
        return status;
    // The window's class is what a dock matches against the menu entry's StartupWMClass:
    // "solvane" as the instance, "Solvane" as the class.
    g_set_prgname("solvane");
    // The name a person reads, where the desktop shows one: the notification area's icon, say.
    g_set_application_name("Solvane");
    std::string exe = ExecutablePath(argc > 0 ? argv[0] : "Solvane");
    std::vector<char*> args(argv, argv + argc);
    if (args.empty())
        args.push_back(nullptr);
    args[0] = exe.data();
    args.push_back(nullptr);
    // The toolkit may take its own options out of the list it is given.
    std::vector<char*> restartArgs(args);
    int count = argc > 0 ? argc : 1;
    PreferX11Backend();
    LeaveOpenGlAside();
    const int result = wxEntry(count, args.data());
    // Whatever way the start ended, later starts are not answered by a program that is gone.
    HostApp::GetInstanceLock().StopListening();
    if (HostApp::IsRestartRequested())
    {
        // Everything is shut down and saved: the same program with the same arguments starts
        // and puts the new module in place.
        std::fflush(nullptr);
        HostApp::GetInstanceLock().KeepAcrossExec();
        execv(exe.c_str(), restartArgs.data());
        const int error = errno;
        SayOnStderr(wxString::Format("could not start again: %s", std::strerror(error)));
        return 1;
    }
    if (HostApp::IsHandedOver())
        return 0;
    return HostApp::GetExitCode() != 0 ? HostApp::GetExitCode() : result;
}
