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
class NotifyIcon;
class PopupDialogManager;
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
    // The newest login check: an older one's reply would overwrite newer favourites.
    int loginRequest = 0;
    // Set while the account dialog runs its own event loop within UpdateFavorite.
    AuthenticationDialog* authenticationDialog = nullptr;
    bool exitAfterDialog = false;
    wxSearchCtrl* searchCtrl = nullptr;
    // Runs out at the end of a pause, to show that pop-ups are back.
    wxTimer pauseTimer;
    // Runs while a close the window manager asked for waits for a modal box to be answered.
    wxTimer closeAfterBoxTimer;

    wxDECLARE_EVENT_TABLE();
};
