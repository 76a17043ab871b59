// What the pop-up tests share: the product's skin, waiting on the toolkit's loop, the open pop-ups.
#pragma once

#include "skin/SkinImageStore.h"
#include "ui/PopupDialog.h"

#include <wx/app.h>
#include <wx/toplevel.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// The store reads the skin beside the host: make the test program look like the host.
inline void UseProductSkin()
{
    static const wxString host = SOLVANE_OUTPUT_DIR "/Solvane";
    const wchar_t* args[] = {host.wc_str()};
    wxTheApp->argv.Init(1, args);
    SkinImageStore::Release();
}

// Runs the toolkit's loop until done() holds; false when the time is up.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(10000))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        wxYield();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Every pop-up window that exists, shown or not, and not yet on its way out.
inline std::vector<PopupDialog*> ExistingPopups()
{
    std::vector<PopupDialog*> popups;
    for (wxWindow* window : wxTopLevelWindows)
    {
        auto* popup = dynamic_cast<PopupDialog*>(window);
        if (popup && !wxPendingDelete.Member(popup))
            popups.push_back(popup);
    }
    return popups;
}

// A performer list in the site's format, each name online and free.
inline std::string PerformerList(const std::vector<std::string>& names)
{
    std::string body;
    for (const std::string& name : names)
        body += name + ".viewers = 1;\nonline_performers.add(" + name + ");\nfree_performers.add(" + name + ");\n";
    return body;
}
