// The main window: the All and Favorite trees, the menus, and the owner of the polling thread.
#pragma once

#include "ui/MainMenu.h"

#include <wx/frame.h>
#include <wx/timer.h>

#include <memory>

class AllTreeCtrl;
class AuthenticationDialog;
class DaemonThread;
class DesktopNotifier;
class DownloadFinishedEvent;
class FavoriteTreeCtrl;
class HistoryPanel;
class HistoryRecorder;
class HistoryStore;
class Keyring;
class NotifyIcon;
class PopupDialogManager;
class UserListEvent;
class wxMenuBar;
class wxNotebook;
class wxPanel;
class wxBookCtrlEvent;
class wxSearchCtrl;

class MainFrame : public wxFrame
{
public:
    MainFrame();
    ~MainFrame() override;

    void OnDownloadFinished(DownloadFinishedEvent& event);
    void OnIconize(wxIconizeEvent& event);
    void OnMenu(wxCommandEvent& event);

    AllTreeCtrl* GetAllTreeCtrl() const { return allTreeCtrl; }
    FavoriteTreeCtrl* GetFavoriteTreeCtrl() const { return favoriteTreeCtrl; }
    wxNotebook* GetNotebook() const { return notebook; }
    HistoryPanel* GetHistoryPanel() const { return historyPanel; }
    /// The history of this run; null before it is opened.
    HistoryStore* GetHistoryStore() const { return historyStore.get(); }
    NotifyIcon* GetNotifyIcon() const { return notifyIcon.get(); }
    PopupDialogManager* GetPopupDialogManager() const { return popupDialogManager.get(); }
    wxSearchCtrl* GetSearchCtrl() const { return searchCtrl; }
    DaemonThread* GetDaemonThread() const { return daemonThread.get(); }

    /// Shows the settings dialog; on "OK" its values apply at once.
    void ShowSettings();
    /// The pop-ups go to the desktop's notifications or to the program's own windows, as the
    /// stored style says.
    void ApplyPopupStyle();
    /// The pop-ups' pause as stored: the menus' items and the icon's tooltip follow it.
    void UpdatePauseState();
    /// True while a modal box runs its own loop over this window.
    bool IsBoxUp() const;
    void OnSearchText(wxCommandEvent& event);
    /// The search field filters whichever page shows: the History page takes it when it comes up.
    void OnPageChanged(wxBookCtrlEvent& event);
    void OnCharHook(wxKeyEvent& event);

private:
    void SetProperties();
    void DoLayout();
    /// Opens the history (off for this run when it cannot) and makes its page.
    void OpenHistory();
    /// Asks for the account while not logged in, then sends the login check.
    void UpdateFavorite();

    // Where the password of a login check came from: only one the site accepts is kept.
    enum class AccountSource
    {
        Typed,   // the dialog: kept nowhere until accepted
        File,    // the settings file: moved to the keyring once accepted, when one answers
        Keyring, // already where it belongs
    };
    void SendLogin(const wxString& id, const wxString& password, AccountSource source);
    /// At start, with an account stored: its password is looked up, and the login check goes
    /// once the first list is in (the favourites take their state from it).
    void PrepareStartLogin();
    void StartLoginWhenReady();
    void OnFirstList(UserListEvent& event);
    /// The account the site has just accepted: the id in the file, the password in the keyring
    /// when one answers, otherwise in the file.
    void KeepAccount();
    /// The Favorite page in front, or once the window is back when it is minimised or hidden.
    void ShowFavoritePage();

    wxMenuBar* menuBar;
    AllTreeCtrl* allTreeCtrl;
    wxPanel* allPanel;
    FavoriteTreeCtrl* favoriteTreeCtrl;
    wxPanel* favoritePanel;
    wxNotebook* notebook;
    HistoryPanel* historyPanel;
    // Both outlive the polling thread, which writes through the recorder.
    std::unique_ptr<HistoryStore> historyStore;
    std::unique_ptr<HistoryRecorder> historyRecorder;
    std::unique_ptr<DaemonThread> daemonThread;
    // Outlives the pop-up manager, which shows through it.
    std::unique_ptr<DesktopNotifier> desktopNotifier;
    // The pop-up style the outlet above was made for.
    wxString appliedPopupStyle;
    bool popupStyleApplied = false;
    std::unique_ptr<PopupDialogManager> popupDialogManager;
    std::unique_ptr<NotifyIcon> notifyIcon;
    bool loggedIn;
    // Logged in while the window was away: the Favorite page is turned to when it is back.
    bool favoritePageWaiting = false;
    // The newest login check: an older one's reply would overwrite newer favourites.
    int loginRequest = 0;
    // Set while the account dialog runs its own event loop within UpdateFavorite.
    AuthenticationDialog* authenticationDialog = nullptr;
    bool exitAfterDialog = false;
    std::unique_ptr<Keyring> keyring;
    // The account of the newest login check.
    wxString sentId, sentPassword;
    AccountSource sentSource = AccountSource::Typed;
    // The account the site accepted last, for the refreshes when the file has no password.
    wxString acceptedId, acceptedPassword;
    // What the account dialog shows next instead of the file: a rejected account as it was
    // typed, or the password the keyring gave.
    bool dialogAccountSet = false;
    wxString dialogId, dialogPassword;
    // The login at start waits for both.
    bool firstListIn = false;
    bool startAccountKnown = false;
    wxString startId, startPassword;
    AccountSource startSource = AccountSource::File;
    wxSearchCtrl* searchCtrl = nullptr;
    // Runs out at the end of a pause, to show that pop-ups are back.
    wxTimer pauseTimer;
    // Runs while a close the window manager asked for waits for a modal box to be answered.
    wxTimer closeAfterBoxTimer;

    wxDECLARE_EVENT_TABLE();
};
