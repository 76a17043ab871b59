// The failure box that the refresh hands over from the polling thread, and the exit command after it.
#include "ui/ServerFailureBox.h"

#include "WindowTest.h"

#include <wx/frame.h>
#include <wx/splash.h>
#include <wx/translation.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

// The box belongs to the main thread; it is dropped once the refresh stopped waiting for it (the
// program is closing) or the main window is going, where it would hold up the exit.
TEST(ServerFailureBox, ComesOnTheMainThreadUnlessTheProgramIsClosing)
{
    DialogWatcher watcher;
    // Whether the refresh still waits, whether the main window is going, and what shows.
    const std::tuple<bool, bool, std::vector<std::string>> cases[] = {
        {true, false, {"Error|No reply", "closed"}}, {false, false, {"closed"}}, {true, true, {"closed"}}};
    for (const auto& [waited, going, seen] : cases)
    {
        SCOPED_TRACE(testing::Message() << "waited " << waited << ", going " << going);
        watcher.shown.clear();
        auto* main = new wxFrame(nullptr, wxID_ANY, "Solvane");
        if (going)
            main->Destroy();
        std::thread([&, waited = waited] {
            ShowServerFailureBox(
                "Error", "No reply", [waited] { return waited; },
                [&] { watcher.shown.push_back(wxThread::IsMain() ? "closed" : "closed on the worker"); });
        }).join();
        wxTheApp->ProcessPendingEvents(); // what the worker handed over
        EXPECT_EQ(seen, watcher.shown);
        EXPECT_FALSE(watcher.offMain);
        delete main;
    }
}

// Below the message the box points to the settings in the menu's own words, which in Japanese
// carry their mnemonics in parentheses.
TEST(ServerFailureBox, PointsToTheSettingsInTheMenusOwnWords)
{
    DialogWatcher watcher;
    auto* main = new wxFrame(nullptr, wxID_ANY, "Solvane");
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(SOLVANE_OUTPUT_DIR);
    wxTranslations::Set(new wxTranslations);
    wxTranslations::Get()->SetLanguage("ja");
    ASSERT_TRUE(wxTranslations::Get()->AddCatalog("Solvane"));
    EXPECT_TRUE(ShowServerFailureBoxAndWait("E", "No reply", StopToken()));
    EXPECT_EQ(std::vector<std::string>{"E|No reply\nサーバーの変更は ツール \u2192 設定... から行えます。"}, watcher.shown);
    wxTranslations::Set(nullptr);
    delete main;
}

// The exit command goes to the main window, not to the splash screen in front of it during the
// first seconds, and nowhere once the main window is going.
TEST(ServerFailureBox, ExitGoesToTheMainWindow)
{
    for (const int state : {0, 1, 2, 3})
    {
        const bool splashFirst = state & 1, going = state & 2;
        SCOPED_TRACE(testing::Message() << "splash " << splashFirst << ", going " << going);
        wxSplashScreen* splash = nullptr;
        if (splashFirst)
            splash = new wxSplashScreen(wxBitmap(40, 30), wxSPLASH_CENTRE_ON_SCREEN | wxSPLASH_NO_TIMEOUT, 0, nullptr,
                                        wxID_ANY);
        auto* main = new wxFrame(nullptr, wxID_ANY, "Solvane");
        bool exited = false;
        main->Bind(
            wxEVT_MENU, [&](wxCommandEvent&) { exited = true; }, wxID_EXIT);
        EXPECT_EQ(splash ? static_cast<wxWindow*>(splash) : main, wxTheApp->GetTopWindow());
        if (going)
            main->Destroy();
        PostExitToTopWindow();
        wxTheApp->ProcessPendingEvents();
        EXPECT_EQ(!going, exited);
        delete main;
        delete splash;
    }
}
