// What the core needs from the GUI: one small interface, installed by the module's entry.
//
// The core (site, net, util, update) links only the toolkit's base library, yet a few of its
// moments need a window: the message that the site stays unreachable, the exit that follows
// it, the consent to an update, the desktop's default-browser opener and the release of the
// GUI's resources as the module exits. The GUI installs one implementation at start (SiteRun) and the site module
// clears it at exit, before the module's code goes; tests install their own.
#pragma once

#include "util/StopToken.h"

#include <wx/string.h>

class GuiServices
{
public:
    virtual ~GuiServices() = default;

    /// From any thread: tells the user that the site stays unreachable and returns once the
    /// message is gone; false as soon as stop is requested (the program is closing), and a
    /// message not shown by then is dropped.
    virtual bool ShowServerFailure(const wxString& caption, const wxString& message, const StopToken& stop) = 0;
    /// From any thread: asks the user a yes/no question in a box on the main thread and waits for
    /// the answer; true for Yes. A program that is closing answers No without asking, and so does
    /// the wait once stop is requested (asked from the waiting thread).
    virtual bool Confirm(const wxString& caption, const wxString& message, const StopToken& stop) = 0;
    /// From any thread: asks the main window to end the program as "E&xit" does.
    virtual void RequestExit() = 0;
    /// Opens url through the desktop's default-browser opener; false when none could start.
    virtual bool OpenDefaultBrowser(const wxString& url) = 0;
    /// On the main thread as the module exits: the GUI lets go of what it holds (the skin).
    virtual void Release() = 0;

    /// The installed services, null when none: callers then do without the GUI.
    static GuiServices* Get();
    /// Installs services (not owned; they must outlive their use) or, with null, clears them.
    /// From the main thread, while no worker that could call them runs.
    static void Install(GuiServices* services);
};
