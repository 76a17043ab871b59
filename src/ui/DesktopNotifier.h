// The desktop's own notifications as the pop-ups' outlet: org.freedesktop.Notifications on the
// session bus, spoken to through GDBus.
//
// Each pop-up becomes one notification with the performer's picture, fetched as the program's own
// pop-up fetches it; a click on it opens her page, and its actions open the page or put her on
// the "never" list. Every call to the service is asynchronous with a time limit, and its replies
// and signals come through the GLib main context that the toolkit's loop runs: the GUI thread is
// never held up by a slow service.
#pragma once

#include "ui/PopupOutlet.h"
#include "util/StopToken.h"

#include <wx/event.h>
#include <wx/image.h>

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

class DownloadFinishedEvent;

/// Where the pop-ups go.
enum PopupPlace
{
    PLACE_OWN_WINDOWS,
    PLACE_DESKTOP,
    /// The program's windows, because the desktop's notifications were wanted and no service is there.
    PLACE_OWN_WINDOWS_NO_SERVICE
};

/// The place for the pop-up style of the settings ("own", "desktop" or "auto"; anything else is
/// "auto"): "auto" is the program's own windows where it can place them (X11, XWayland) and the
/// desktop's notifications on a native Wayland display, where it can not.
PopupPlace PopupPlaceFor(const wxString& style, bool nativeWayland, bool serviceThere);

class DesktopNotifier : public wxEvtHandler, public PopupOutlet
{
public:
    /// The notifier for the style the settings hold, or null when the pop-ups are the program's
    /// own windows; when the desktop's were wanted and no service is on the session bus, the
    /// first call says so on stderr. Asks the bus daemon itself only, a bounded time.
    static std::unique_ptr<DesktopNotifier> ForStyle(const wxString& style);
    ~DesktopNotifier() override;

    void Show(const User& user, PopupKind kind) override;
    void ShowSummary(const wxString& text, std::function<void()> onClick) override;

private:
    struct Bus;
    struct Sent;

    explicit DesktopNotifier(std::unique_ptr<Bus> bus);

    void OnDownloadFinished(DownloadFinishedEvent& event);
    void Notify(const wxString& name, PopupKind kind, const wxImage& picture);
    void SendSummary();
    void Replied(uint32_t id, const Sent& sent);
    void ActionInvoked(uint32_t id, const wxString& action);
    void Closed(uint32_t id);

    std::unique_ptr<Bus> bus;
    // Set as the notifier goes: pictures still on their way are of no use any more.
    StopToken pictureStop;
    int lastDownload = 0;
    // The pictures on their way, by their download's id: for whom, and why.
    std::map<int, std::pair<wxString, PopupKind>> downloads;
    // The performer of each notification that is up, by the service's id for it.
    std::map<uint32_t, wxString> shown;
    // The summary: its id while it is up, and what to send once the notification on its way
    // has its id (the new text replaces it rather than stacking a second one).
    uint32_t summaryId = 0;
    bool summaryOnItsWay = false;
    bool summaryWaiting = false;
    wxString summaryText;
    std::function<void()> summaryClick;
};
