// What the GUI tests of the main window and its pop-ups share: the simulated site, the site object
// and a settings store of their own, and a watch on the dialogs they bring up.
#pragma once

#include "net/DownloadThread.h"
#include "net/HttpGet.h"
#include "site/TaveloSite.h"
#include "skin/SkinImageStore.h"
#include "ui/MainFrame.h"
#include "util/Settings.h"

#include "SiteSim.h"
#include "TimeLimit.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/sstream.h>
#include <wx/weakref.h>

#include <algorithm>
#include <chrono>
#include <functional>

using namespace std::chrono;

// Notes every modal dialog ("caption|message" for a box) and answers it with OK at once, unless
// the test wants them to stay up.
class DialogWatcher : public wxModalDialogHook
{
public:
    DialogWatcher() { Register(); }
    ~DialogWatcher() override { Unregister(); }
    std::vector<std::string> shown;
    bool show = false;
    bool offMain = false; // a dialog came on another thread than the main one
    std::function<void(wxDialog*)> onEnter; // sees each dialog before it is answered

protected:
    int Enter(wxDialog* dialog) override
    {
        const auto* box = dynamic_cast<wxMessageDialogBase*>(dialog);
        shown.push_back(box ? (box->GetCaption() + "|" + box->GetMessage()).utf8_string() : "dialog");
        offMain = offMain || !wxThread::IsMain();
        if (onEnter)
            onEnter(dialog);
        return show ? wxID_NONE : wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

class WindowTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        HttpGet::GlobalInit();
        // The skin is read beside the host: the test program poses as the host.
        static const wxString host = SOLVANE_OUTPUT_DIR "/Solvane";
        const wchar_t* args[] = {host.wc_str()};
        wxTheApp->argv.Init(1, args);
        SkinImageStore::Release();
    }

    void SetUp() override
    {
        // A store in memory: nothing of an earlier run, nothing written to disk.
        wxStringInputStream nothing(wxEmptyString);
        delete wxConfigBase::Set(new wxFileConfig(nothing));
        // Online: AmberRose07 free, Luna_Star busy, MissKitty42 busy, sweetpeach.
        ASSERT_TRUE(sim.SetPerformerListFromFile(SOLVANE_TEST_DATA "/performers/typical.js"));
        ASSERT_TRUE(sim.Start());
        // The web server stands in for the image server too: it serves any body a test sets.
        Settings::WriteString("/Site/webserver", sim.WebServer());
        Settings::WriteString("/Site/imageserver", sim.WebServer());
        Settings::WriteLong("/PopupDialog/duration", 60);
    }

    void TearDown() override
    {
        for (wxWindow* window : wxTopLevelWindows)
            window->Destroy();
        // As the module's exit does: no transfer outlives the test.
        EXPECT_TRUE(DownloadThread::StopAll(TimeLimit(5000).count()));
        PumpUntil([] { return wxTopLevelWindows.empty() && !wxTheApp->HasPendingEvents(); });
    }

    MainFrame* Open() { return frame = new MainFrame; }

    // Sends a command; how long the main window took to go.
    long ExitBy(const std::function<void()>& command)
    {
        const auto start = steady_clock::now();
        command();
        EXPECT_TRUE(PumpUntil([this] { return !frame; }));
        return static_cast<long>(duration_cast<milliseconds>(steady_clock::now() - start).count());
    }

    // The requests for paths that begin so, to the test's site or another.
    size_t CountRequests(const std::string& path, const sitesim::SiteSim* site = nullptr) const
    {
        const auto requests = (site ? *site : sim).Requests();
        return std::count_if(requests.begin(), requests.end(),
                             [&](const sitesim::Request& r) { return r.path.rfind(path, 0) == 0; });
    }

    static constexpr const char* kListPath = "/include/js/online_performers.js";
    static constexpr const char* kLoginPath = "/loginchecker";
    sitesim::SiteSim sim;
    TaveloSite site;
    wxWeakRef<MainFrame> frame;
    DialogWatcher watcher;
};
