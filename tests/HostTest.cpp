// The host program: finds the module beside itself however it is started, refuses one that can
// not run or was not approved, restarts on an accepted update, and ends at once when told to.
#include "HostInstall.h"

#include <gtest/gtest.h>

#include <tuple>

// A module that is missing, no library or without its entry is a clear error; one that runs names
// the application, finds its skin and creates the settings folder. A settings file too large to
// read is kept aside and the program starts on its defaults; an exit that can not save the settings
// (a full disk: the size the program may write is limited) ends with 0 and leaves the old file.
TEST(HostTest, AModuleThatCanNotRunIsRefusedAndNoSettingsFileStopsOne)
{
    const std::string module = ReadBytes(kOutput + "/Solvane.so"), none = "(none)";
    const std::string sound = "[Site]\nwebserver=" + ClosedServer().utf8_string() + "\n";
    const std::string junk(10 << 20, '\xff'); // not even text
    // The module, the settings file's bytes, the shell's prelude, the exit code, what it says (null: nothing).
    const std::tuple<std::string, std::string, const char*, int, const char*> cases[] = {
        {none, "", "", 1, "Solvane.so is missing"},
        {"not a shared library\n", "", "", 1, "could not be loaded"},
        {ReadBytes(NO_ENTRY_MODULE), "", "", 1, "has no SiteRun entry"},
        {module, "", "", 0, nullptr},
        {module, junk, "", 0, "larger than 1 MiB"},
        {module, sound + "# " + std::string(8192, 'x') + "\n", "ulimit -f 4; trap '' XFSZ; ", 0,
         "the settings could not be saved"},
    };
    for (const auto& [current, settings, prelude, code, says] : cases)
    {
        SCOPED_TRACE(testing::Message() << current.size() << " bytes, settings " << settings.size());
        Install install(settings.empty() ? "" : sound);
        install.Write("Solvane.so", current);
        if (!settings.empty())
            install.Write("config/Messenger.conf", settings); // bytes, which need not be text
        ASSERT_TRUE(install.Probe(prelude)) << "hung; it wrote: " << install.err;
        EXPECT_EQ(code, install.code) << install.err;
        EXPECT_TRUE(says ? install.err.find(says) != std::string::npos : install.err.empty()) << install.err;
        if (code != 0)
            continue;
        EXPECT_EQ(0u, install.out.find("vendor=Tavelo app=Messenger\nskin=yes catalogue=")) << install.out;
        EXPECT_TRUE(wxFileName::DirExists(install.path + "/config"));
        const bool junked = settings == junk, full = !settings.empty() && !junked;
        EXPECT_TRUE((junked ? junk : none) == install.Read("config/Messenger.conf.bad"));
        const std::string saved = install.Read("config/Messenger.conf");
        EXPECT_TRUE(junked ? saved.find("[MainFrame]\n") == 0 : !full || settings == saved) << saved.substr(0, 100);
    }
}

// A waiting module that the publisher did not sign, that differs from what was signed, that the
// person did not approve or that was put aside before is deleted with all that came with it, and
// never loaded: the module it would have been never leaves its mark. A packaged copy installs none.
TEST(HostTest, AnUnverifiedOrUnapprovedModuleIsDeletedAndNeverLoaded)
{
    if (DemoKey().empty())
        GTEST_SKIP() << "a build without the demo key";
    const std::string module = ReadBytes(kOutput + "/Solvane.so"), stranger = ReadBytes(TRIAL_MODULE_WORKS);
    std::string otherSeed, otherKey;
    sitesim::MakeUpdateKey(otherSeed, otherKey);
    // With a statement, approved, the module signed and the key ("": the module itself, the
    // build's key), a file put beside it with its bytes, what it says (null: nothing).
    const std::tuple<const char*, bool, bool, std::string, std::string, const char*, std::string, const char*> cases[] =
        {
            {"no statement", false, false, "", "", nullptr, "", "it has no release statement with a signature"},
            {"not approved", true, false, "", "", nullptr, "", "it was not approved"},
            {"another module signed", true, true, module, "", nullptr, "",
             "the module differs from the one its release statement describes"},
            {"another key", true, true, "", otherSeed, nullptr, "",
             "its release statement is not signed by the publisher"},
            {"put aside before", true, true, "", "", "Solvane.so.refused", sitesim::Sha256Hex(stranger) + "\n",
             "this module was put aside before"},
            // A copy the package manager updates takes nothing of its own, not even a verified update.
            {"packaged", true, true, "", "", "Solvane.no-self-update", "updated by the package manager\n", nullptr},
        };
    for (const auto& [name, statement, approved, signedModule, seed, beside, bytes, says] : cases)
    {
        SCOPED_TRACE(name);
        Install install;
        if (statement)
            Stage(install, stranger, approved, signedModule, seed.empty() ? DemoKey() : seed);
        else
            install.Write("Solvane.so.new", stranger);
        if (beside)
            install.Write(beside, bytes);
        ASSERT_TRUE(install.Probe()) << "hung; it wrote: " << install.err;
        EXPECT_EQ(0, install.code) << install.err;
        EXPECT_EQ("(none)", install.Read("module-was-loaded"));
        EXPECT_TRUE(module == install.Read("Solvane.so"));
        EXPECT_TRUE(says ? install.err.find(std::string("update refused: ") + says) != std::string::npos
                         : install.err.empty())
            << install.err;
        EXPECT_EQ(statement ? "old manifest" : "(none)", install.Read("Solvane.manifest"));
        if (!says)
            continue;
        for (const char* gone : {"Solvane.so.new", "Solvane.manifest.new", "Solvane.so.statement",
                                 "Solvane.so.approved", "Solvane.so.trial"})
            EXPECT_EQ("(none)", install.Read(gone)) << gone;
    }
}

// Through the real program: "Yes" to the demo update, signed with the build's key, restarts the
// program on the new module, which asks the service with its own version and, still holding the
// one program's lock, answers a second start.
TEST(HostTest, YesToASignedUpdateRestartsOnIt)
{
    if (DemoKey().empty())
        GTEST_SKIP() << "a build without the demo key";
    sitesim::SiteSim site;
    ASSERT_TRUE(site.LoadUpdateDir(UPDATE_DEMO_DIR));
    ASSERT_TRUE(site.Start());
    ASSERT_TRUE(site.SetUpdateKey(DemoKey()));
    Install install(wxString::Format("[Site]\nwebserver=%s\n[SplashScreen]\nduration=0\n", site.WebServer()));
    install.Start();
    std::string box;
    ASSERT_TRUE(WaitUntil([&] { return !(box = Window("^Confirm$")).empty(); }, kRunLimit)) << install.err;
    // "Yes" is the box's default button; without a window manager the box gets the keyboard by hand.
    ASSERT_EQ(0, std::system(("xdotool windowfocus --sync " + box + " key --window " + box + " Return").c_str()));
    EXPECT_TRUE(WaitUntil([&] { return UpdateRequests(site, "version=1.3.1") > 0; }, kRunLimit)) << install.err;
    EXPECT_EQ(ReadBytes(UPDATE_DEMO_DIR "/module"), install.Read("Solvane.so"));
    EXPECT_EQ(ReadBytes(kOutput + "/Solvane.so"), install.Read("Solvane.so.old"));
    // The restarted program is still the one program: a second start hands over to it.
    EXPECT_EQ(0, install.StartAgain());
    EXPECT_NE(std::string::npos, install.Read("err-again").find("already running: its window is shown"))
        << install.Read("err-again");
    EXPECT_FALSE(install.Wait(0ms)) << "ended: " << install.err;
    install.Terminate();
    EXPECT_EQ("(none)", install.Read("Solvane.so.trial"));
}

// Picture downloads wait for a name server that takes 8 s: the exit still takes under a second,
// and no thread of the module runs as it is unloaded. When a stopped transfer is held all the same
// (here by a library that waits for its lookup), the program ends without unloading the module.
TEST(HostTest, AnExitDuringSlowNameLookupsTakesUnderASecondAndUnloadsNoRunningThread)
{
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    for (const bool held : {false, true})
    {
        SCOPED_TRACE(held ? "held" : "left to the lookup");
        Install install(
            wxString::Format("[Site]\nwebserver=%s\nimageserver=img.slow.test:%d\n[System]\nsyncinterval=1\n"
                             "[SplashScreen]\nduration=0\n[Update]\ncheck=0\n",
                             site.WebServer(), site.ImagePort()));
        install.Start("", wxString::Format("export LD_PRELOAD='%s %s' SOLVANE_HOLD_STOP_MS=%d "
                                           "ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0; ",
                                           SLOW_LOOKUP, UNLOAD_WATCH, held ? 8000 : 0));
        // Two lookups begun (the first and the last found apart): the downloads wait on the name server.
        const auto lookups = [&, lookup = std::string("slow lookup: img.slow.test")] {
            const std::string err = install.Read("err");
            return err.find(lookup) != err.rfind(lookup);
        };
        ASSERT_TRUE(WaitUntil(lookups, kRunLimit)) << install.Read("err");
        install.Terminate();
        const bool unloaded =
            install.err.find("unload watch: Solvane.so unloaded, 0 of its threads running") != std::string::npos;
        const bool leftLoaded = install.err.find("threads did not end within") != std::string::npos;
        EXPECT_TRUE(held ? leftLoaded && install.err.find("unload watch") == std::string::npos
                         : unloaded && !leftLoaded)
            << install.err;
    }
}
