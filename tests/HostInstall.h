// The host program started from outside as a person starts it: a copy of the built program in a
// folder of its own, its settings, and an update waiting beside it.
#pragma once

#include "SiteSim.h"
#include "TestFiles.h"
#include "TimeLimit.h"
#include "UpdateSigner.h"

#include <gtest/gtest.h>

#include <wx/filename.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono;

namespace
{
const wxString kOutput = SOLVANE_OUTPUT_DIR;
const milliseconds kRunLimit = TimeLimit(20000);

// Where nothing listens any more: a run that is not about the site reaches no other machine.
wxString ClosedServer()
{
    static const std::string server = [] {
        sitesim::SiteSim stopped;
        return stopped.Start() ? stopped.WebServer() : std::string();
    }();
    return server;
}

// The first line a shell command writes, without its end.
std::string FirstLine(const std::string& command)
{
    std::string line(64, '\0');
    std::FILE* pipe = popen(command.c_str(), "r");
    line.resize(pipe && std::fgets(line.data(), 64, pipe) ? std::strcspn(line.c_str(), "\n") : 0);
    if (pipe)
        pclose(pipe);
    return line;
}

// The first visible window so titled on the display (the test's own when empty), or "".
std::string Window(const std::string& title, const std::string& display = "")
{
    return FirstLine((display.empty() ? "" : "DISPLAY=" + display + " ") + "xdotool search --onlyvisible --name '" +
                     title + "' 2>/dev/null | head -1");
}

// A copy of the built program in a folder of its own, with its settings or none (a first run,
// whose requests go to a proxy where nothing listens); the host is started by a relative path from
// a shell of the test's own, its output kept in files, so that a host that hangs is a failure with
// its output rather than a test that never ends.
struct Install : ScratchFolder
{
    explicit Install(const wxString& settings = "") : fresh(settings.empty())
    {
        if (!fresh && wxFileName::Mkdir(path + "/config"))
            Write("config/Messenger.conf", settings.utf8_string());
        for (const char* file : {"Solvane", "Solvane.skin", "Solvane.so"})
            wxCopyFile(kOutput + "/" + file, path + "/" + file);
    }
    ~Install()
    {
        if (run.valid() && run.wait_for(0s) != std::future_status::ready)
            Kill(SIGKILL);
        run = {}; // waits for the end
    }
    // prelude: shell commands run first ("export NAME=value; ", "ulimit ...; "); the process id and
    // the output go to the files "pid", "out" and "err", each name followed by suffix.
    std::string Command(const wxString& arguments, const wxString& prelude, const wxString& suffix = "") const
    {
        return ("echo $$ >" + path + "/pid" + suffix + "; cd " + path + " || exit 1; " + prelude + "XDG_CONFIG_HOME=" +
                path + "/config " + (fresh ? "http_proxy=" + ClosedServer() + " " : wxString()) + "exec ./Solvane" +
                arguments + " >" + path + "/out" + suffix + " 2>" + path + "/err" + suffix + " </dev/null")
            .utf8_string();
    }
    void Start(const wxString& arguments = "", const wxString& prelude = "")
    {
        run = std::async(std::launch::async,
                         [script = Command(arguments, prelude)] { return std::system(script.c_str()); });
    }
    // A second start beside the running one, stopped after 10 s: its exit code, and its time in took.
    int StartAgain()
    {
        const std::string script = Command("", "", "-again");
        const auto start = steady_clock::now();
        const int status = std::system(("timeout -s KILL 10 sh -c '" + script + "'").c_str());
        took = duration_cast<milliseconds>(steady_clock::now() - start);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // False when the host has not ended in time; else its exit code is kept.
    bool Wait(milliseconds limit)
    {
        const bool ended = run.valid() && run.wait_for(limit) == std::future_status::ready;
        const int status = ended ? run.get() : 0;
        code = !ended ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        out = Read("out");
        err = Read("err");
        return ended;
    }
    bool Probe(const wxString& prelude = "")
    {
        Start(" --probe", prelude);
        return Wait(kRunLimit);
    }
    void Kill(int signal) const { kill(std::stoi(Read("pid")), signal); }
    // A polite kill ends it within a second, as the menu's exit does.
    void Terminate(int signal = SIGTERM)
    {
        Kill(signal);
        const auto start = steady_clock::now();
        ASSERT_TRUE(Wait(TimeLimit(10000))) << "did not end; it wrote: " << err;
        EXPECT_LT(steady_clock::now() - start, TimeLimit(1000));
        EXPECT_EQ(0, code) << err;
    }

    const bool fresh;
    std::future<int> run;
    int code = -1;
    std::string out, err;
    milliseconds took{};
};

// The update service's requests whose query begins so.
int UpdateRequests(const sitesim::SiteSim& site, const std::string& query = "")
{
    int count = 0;
    for (const sitesim::Request& request : site.Requests())
        count += request.path == "/cgi-bin/app/update.cgi" && request.query.rfind(query, 0) == 0;
    return count;
}

// The build's demo key signs the updates the host must accept.
std::string DemoKey()
{
    std::string key = ReadBytes(DEMO_KEY_FILE);
    return key == "(none)" ? std::string() : key.substr(0, key.find('\n'));
}

// An update waiting beside the module as the module leaves it after "Yes": the new module, a new
// manifest, the statement vouching for signedModule (the module itself unless the test says
// otherwise) signed with seed, and the approval when approved.
void Stage(const Install& install, const std::string& module, bool approved = true,
           const std::string& signedModule = "", const std::string& seed = DemoKey())
{
    const std::string statement = sitesim::UpdateSigner::Statement(
        "1.3.1", 4102444800LL,
        {{"module", signedModule.empty() ? module : signedModule}, {"manifest", "new manifest"}});
    install.Write("Solvane.so.new", module);
    install.Write("Solvane.manifest", "old manifest");
    install.Write("Solvane.manifest.new", "new manifest");
    install.Write("Solvane.so.statement", statement);
    install.Write("Solvane.so.statement.sig", sitesim::SignDetached(statement, seed));
    install.Write("Solvane.so.approved", approved ? sitesim::Sha256Hex(statement) + "\n" : "(none)");
}
} // namespace
