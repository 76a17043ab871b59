// A host process of a test's own, with its output read as it comes, and private folders for it.
#pragma once

#include <wx/arrstr.h>
#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

// A host process of the test's own, with its output read as it comes, so that a host that hangs
// is a failure with its output rather than a test that never ends.
class HostProcess
{
public:
    // command: the program and its arguments, separated by spaces; a program without a slash is
    // looked up in the PATH given (or the test's own).
    HostProcess(const wxString& command, const wxString& cwd = wxString(), const wxString& path = wxString())
    {
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0)
            return;
        std::vector<std::string> words;
        for (const wxString& word : wxSplit(command, ' ', '\0'))
            words.push_back(word.ToStdString());
        std::vector<char*> args;
        for (std::string& word : words)
            args.push_back(word.data());
        args.push_back(nullptr);
        const std::string dir = cwd.ToStdString(), search = path.ToStdString();
        pid = fork();
        if (pid == 0)
        {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            const int null = open("/dev/null", O_RDONLY);
            dup2(null, STDIN_FILENO);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            if (!dir.empty() && chdir(dir.c_str()) != 0)
                _exit(126);
            if (!search.empty())
                setenv("PATH", search.c_str(), 1);
            execvp(args[0], args.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        outFd = out[0];
        errFd = err[0];
    }

    ~HostProcess()
    {
        if (pid > 0 && !ended)
        {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (outFd >= 0)
            close(outFd);
        if (errFd >= 0)
            close(errFd);
    }

    void Signal(int signal) const { kill(pid, signal); }

    // Waits for the end, reading what the host writes; false when it has not ended in time.
    bool Wait(std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (pid > 0 && !ended && std::chrono::steady_clock::now() < deadline)
        {
            Drain(20);
            ended = waitpid(pid, &status, WNOHANG) == pid;
        }
        // What is still in the pipes; a descendant that kept them open is not waited for.
        while (Drain(0))
        {
        }
        return ended;
    }

    bool ExitedWith(int code) const { return ended && WIFEXITED(status) && WEXITSTATUS(status) == code; }

    pid_t pid = -1;
    std::string out, err;

private:
    // True when something was read.
    bool Drain(int timeoutMs)
    {
        pollfd fds[] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) <= 0)
            return false;
        bool read = false;
        for (const pollfd& fd : fds)
        {
            char buffer[4096];
            if (fd.fd < 0 || !(fd.revents & (POLLIN | POLLHUP)))
                continue;
            const ssize_t got = ::read(fd.fd, buffer, sizeof buffer);
            if (got > 0)
            {
                (fd.fd == outFd ? out : err).append(buffer, static_cast<size_t>(got));
                read = true;
            }
        }
        return read;
    }

    int outFd = -1, errFd = -1;
    int status = -1;
    bool ended = false;
};

// A private folder, for an install or a home.
inline wxString TempDir(const char* prefix)
{
    const wxString dir = wxFileName::CreateTempFileName(prefix);
    wxRemoveFile(dir);
    wxFileName::Mkdir(dir, 0700);
    return dir;
}

// A settings folder with the given settings file.
inline wxString ConfigHome(const wxString& settings)
{
    const wxString home = TempDir("solvane-run");
    wxFileName::Mkdir(home + "/config", 0700);
    wxFile(home + "/config/Messenger.conf", wxFile::write).Write(settings);
    return home;
}
