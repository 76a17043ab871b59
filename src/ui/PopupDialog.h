// One pop-up: a small window at the bottom right announcing a performer, with her picture.
//
// It fetches the picture from the image server as soon as it is made, and appears only once
// the picture (or, failing that, the skin's placeholder) is there; from then it stays for the
// seconds of SettingsKeys::kPopupDuration and destroys itself. A click on the picture or the
// name opens the performer's preview page; the pop-up stays. A click on the close mark in its
// title strip sends it away at once; a right click offers the page, the performer's pop-up
// choice and the pause of all pop-ups. With a manager, the manager places
// it and is told when its picture has come and when it goes; without one it shows in the bottom
// slot.
#pragma once

#include "model/PopupRules.h"
#include "model/User.h"
#include "site/SiteRequests.h"
#include "util/StopToken.h"

#include <wx/bitmap.h>
#include <wx/bmpbndl.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/timer.h>

#include <cstddef>
#include <memory>
#include <string>

class DownloadFinishedEvent;
class PopupSlots;
struct SkinText;
class wxPanel;
class wxStaticBitmap;
class wxStaticText;

class PopupDialog : public wxDialog
{
public:
    /// Every pop-up's size.
    static constexpr int kWidth = 150;
    static constexpr int kHeight = 150;
    /// Shown on top, without a parent, the focus or a task-bar entry.
    static constexpr long kStyle = wxSTAY_ON_TOP | wxDIALOG_NO_PARENT | wxFRAME_NO_TASKBAR | wxNO_BORDER;
    /// Bodies larger than this, or pictures wider or higher than kMaxPictureSide pixels, are
    /// never decoded: the placeholder stands in for them.
    static constexpr size_t kMaxPictureBytes = SiteRequests::kPictureSizeLimit;
    static constexpr unsigned kMaxPictureSide = 1024;

    /// Starts the picture's download. manager (not owned) keeps the pop-ups' column and is told of
    /// the picture and the end; slot is the place in the column that it keeps for this pop-up.
    PopupDialog(const User& user, PopupKind kind, wxWindow* parent, wxWindowID id, const wxString& title,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize, long style = kStyle,
                PopupSlots* manager = nullptr, int slot = 1);
    ~PopupDialog() override;

    const User& GetUser() const { return user; }
    PopupKind GetKind() const { return kind; }
    int GetSlot() const { return slot; }
    /// The picture shown: the downloaded one scaled to 107 x 82, or the placeholder.
    wxBitmap GetProfileBitmap() const;
    bool IsWaitingForPicture() const { return waitingForPicture; }

    /// Moves the pop-up to position, shows it without taking the focus and starts its time.
    void ShowAt(const wxPoint& position);
    /// The manager is going: the pop-up will neither report to it nor show any more.
    void Detach();
    /// Closes the pop-up now: its slot frees and the next waiting pop-up may take it.
    void Dismiss();
    /// Where the close mark of the title strip's picture is, in the strip's logical pixels; a
    /// little larger than the mark so that it is easy to hit.
    static wxRect CloseMarkRect();

    /// The picture a body gives, scaled to 107 x 82 logical pixels at the screen's scale; invalid
    /// for anything that is not a JPEG or PNG picture of a sensible size. Any thread: the
    /// download's does it (a wxImage may be made off the GUI thread, a bitmap may not).
    static wxImage DecodeProfileImage(const std::string& body, double scale = 1);
    /// The bitmap of such a picture at that scale; invalid for a picture of any other size. The
    /// GUI thread's part.
    static wxBitmap ProfileBitmap(const wxImage& picture, double scale = 1);
    /// Starts the download of name's picture, decoded as DecodeProfileImage does, whose reply
    /// reaches receiver as a DownloadFinishedEvent with that id; false when it could not start.
    static bool StartPictureDownload(wxEvtHandler* receiver, int id, const wxString& name, const StopToken& stop,
                                     double scale = 1);
    /// The words on the bar under the title, telling why the pop-up came, in the user's language.
    static SkinText StripText(PopupKind kind);
    /// The seconds a pop-up stays: the setting, within 1 second and 1 day.
    static long DurationSeconds();

    void OnDownloadFinished(DownloadFinishedEvent& event);
    void OnDestroyTimer(wxTimerEvent& event);
    void OnContentPanelPaint(wxPaintEvent& event);
    void OnLeftDownForControl(wxMouseEvent& event);
    void OnTitleBarLeftDown(wxMouseEvent& event);
    void OnTitleBarMotion(wxMouseEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);

private:
    void SetProperties();
    void DoLayout();
    void StartDownload();
    void PictureArrived(const wxBitmap& picture);

    User user;
    PopupKind kind;
    PopupSlots* manager;
    int slot;
    bool waitingForPicture = true;
    // Set as the pop-up goes: a picture still on its way is of no use any more.
    StopToken pictureStop;
    std::unique_ptr<wxTimer> timer;
    wxBitmapBundle contentBitmap;
    int stripWidth = kWidth;
    // While the context menu is up the pop-up stays; a time that ran out meanwhile ends it after.
    bool menuOpen = false;
    bool timeUp = false;
    bool overCloseMark = false;

    wxPanel* framePanel;
    wxPanel* contentPanel;
    wxStaticBitmap* titleBar;
    wxStaticBitmap* styleBar;
    wxStaticBitmap* profileImage;
    wxStaticText* nameLabel;

    wxDECLARE_EVENT_TABLE();
};
