// The main window's "&Tool" menu: the account ("Authentication", the login check and its reply,
// which fills the favourites), the settings, and the pop-ups' pause.
#include "ui/MainFrame.h"

#include "model/PopupPause.h"
#include "model/UserListEvent.h"
#include "net/DownloadThread.h"
#include "net/wxHTTP2.h"
#include "site/DaemonThread.h"
#include "site/LoginCheck.h"
#include "site/Site.h"
#include "site/SiteAddress.h"
#include "site/SiteRequests.h"
#include "ui/AllTreeCtrl.h"
#include "ui/AuthenticationDialog.h"
#include "ui/DesktopNotifier.h"
#include "ui/FavoriteTreeCtrl.h"
#include "ui/Keyring.h"
#include "ui/MainMenu.h"
#include "ui/NotifyIcon.h"
#include "ui/PopupDialogManager.h"
#include "ui/ServerFailureBox.h"
#include "ui/SettingsDialog.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"

#include <wx/app.h>
#include <wx/datetime.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/panel.h>

#include <algorithm>
#include <climits>
#include <ctime>

void MainFrame::UpdateFavorite()
{
    SOLVANE_TRACE("[%p]MainFrame::UpdateFavorite(void)", static_cast<void*>(this));
    if (!loggedIn)
    {
        AuthenticationDialog dialog(this, wxID_ANY, _("Authentication"));
        if (dialogAccountSet)
            dialog.SetAccount(dialogId, dialogPassword);
        authenticationDialog = &dialog;
        const int answer = dialog.ShowModal();
        authenticationDialog = nullptr;
        if (exitAfterDialog)
        {
            Destroy();
            return;
        }
        if (answer != wxID_OK)
            return;
        SendLogin(dialog.GetId(), dialog.GetPassword(), AccountSource::Typed);
        return;
    }
    // The stored account as it is now; its password may live in the keyring only.
    const wxString id = Settings::ReadString(SettingsKeys::kId, wxEmptyString);
    const wxString password = Settings::ReadString(SettingsKeys::kPassword, wxEmptyString);
    if (password.empty() && id == acceptedId)
        SendLogin(id, acceptedPassword, AccountSource::Keyring);
    else
        SendLogin(id, password, AccountSource::File);
}

void MainFrame::SendLogin(const wxString& id, const wxString& password, AccountSource source)
{
    sentId = id;
    sentPassword = password;
    sentSource = source;
    const wxString url = SiteAddress::LoginCheck(id, password);
    // A client without a user: the account travels in the query, with no authorisation header.
    auto client = std::make_unique<wxHTTP2>();
    client->SetTimeout(SiteRequests::kLoginStallSeconds);
    client->SetSizeLimit(SiteRequests::kLoginReplySizeLimit);
    client->SetAcceptCompressed(true);
    auto* thread = new DownloadThread(this, ++loginRequest, url, std::move(client));
    if (thread->Run() != wxTHREAD_NO_ERROR)
        delete thread;
}

void MainFrame::PrepareStartLogin()
{
    keyring = std::make_unique<Keyring>();
    const wxString id = Settings::ReadString(SettingsKeys::kId, wxEmptyString);
    if (id.empty())
        return;
    allTreeCtrl->Bind(EVT_USER_LIST_INITIALIZED, &MainFrame::OnFirstList, this);
    startId = id;
    startPassword = Settings::ReadString(SettingsKeys::kPassword, wxEmptyString);
    if (!startPassword.empty())
    {
        startAccountKnown = true;
        return;
    }
    keyring->Lookup(id, [this, id](bool found, const wxString& password) {
        if (!found)
            return;
        dialogAccountSet = true;
        dialogId = id;
        dialogPassword = password;
        startPassword = password;
        startSource = AccountSource::Keyring;
        startAccountKnown = true;
        StartLoginWhenReady();
    });
}

void MainFrame::OnFirstList(UserListEvent& event)
{
    event.Skip();
    firstListIn = true;
    StartLoginWhenReady();
}

void MainFrame::StartLoginWhenReady()
{
    // Once only, and not over a login the person has begun meanwhile.
    if (!firstListIn || !startAccountKnown || loginRequest != 0 || loggedIn || authenticationDialog)
        return;
    SOLVANE_TRACE("[%p]MainFrame::StartLoginWhenReady(void)", static_cast<void*>(this));
    SendLogin(startId, startPassword, startSource);
}

void MainFrame::KeepAccount()
{
    acceptedId = sentId;
    acceptedPassword = sentPassword;
    dialogAccountSet = false;
    if (sentSource == AccountSource::Keyring)
        return;
    // The file first: a keyring that never answers loses nothing. The password leaves the file
    // once the keyring holds it. A file that holds the account already is left as it is.
    if (Settings::ReadString(SettingsKeys::kId, wxEmptyString) != sentId ||
        Settings::ReadString(SettingsKeys::kPassword, wxEmptyString) != sentPassword)
    {
        Settings::WriteString(SettingsKeys::kId, sentId);
        Settings::WriteString(SettingsKeys::kPassword, sentPassword);
        Settings::Flush();
    }
    const wxString id = sentId, password = sentPassword;
    keyring->Store(id, password, [id, password](bool stored) {
        if (stored && Settings::ReadString(SettingsKeys::kId, wxEmptyString) == id &&
            Settings::ReadString(SettingsKeys::kPassword, wxEmptyString) == password)
        {
            Settings::DeleteEntry(SettingsKeys::kPassword);
            Settings::Flush();
        }
    });
}

void MainFrame::OnDownloadFinished(DownloadFinishedEvent& event)
{
    SOLVANE_TRACE("[%p]MainFrame::OnDownloadFinished(%d, %zu)", static_cast<void*>(this), event.GetId(),
                  event.GetBodyLength());
    // Only the newest request speaks: an older reply may arrive after it.
    if (event.GetId() != loginRequest)
        return;
    if (!event.Succeeded())
    {
        // Once logged in, a failed refresh leaves everything as it was. The box is the one the
        // unreachable site gets: queued, without a parent, and ended by a closing frame.
        if (!loggedIn)
            ShowServerFailureBox(
                _("Error"), _("Could not login."), [] { return true; }, [] {});
        // The next dialog shows what was typed, which is stored nowhere.
        if (sentSource == AccountSource::Typed)
        {
            dialogAccountSet = true;
            dialogId = sentId;
            dialogPassword = sentPassword;
        }
        return;
    }
    const std::string body = event.TakeBody();
    const std::vector<wxString> names = ReadFavoriteNames(body.data(), body.size());
    Site* site = Site::GetInstance();
    const UserList favorites = MakeFavoriteList(names, site ? site->GetUserList() : UserList());

    if (!loggedIn)
    {
        daemonThread->AddEventHandler(favoriteTreeCtrl);
        favoritePanel->Enable(true);
        favoriteTreeCtrl->CreateGroups();
        ShowFavoritePage();
        menuBar->Enable(ID_POPUP_ONLY_FAVORITE, true);
    }
    UserListEvent list(EVT_USER_LIST_INITIALIZED, FavoriteTreeCtrl::kFavoritesListId);
    list.SetUserList(favorites);
    favoriteTreeCtrl->GetEventHandler()->AddPendingEvent(list);
    Settings::WriteString(SettingsKeys::kFavorites, JoinFavoriteNames(names));
    loggedIn = true;
    KeepAccount();
}

void MainFrame::ShowSettings()
{
    SOLVANE_TRACE("[%p]MainFrame::ShowSettings(void)", static_cast<void*>(this));
    SettingsDialog dialog(this, wxID_ANY, _("Settings"));
    if (dialog.ShowModal() != wxID_OK)
        return;
    menuBar->Check(ID_POPUP_ONLY_FAVORITE, Settings::ReadBool(SettingsKeys::kPopupOnlyFavorite, SettingsKeys::kPopupOnlyFavoriteDefault));
    ApplyPopupStyle();
    // The servers and the interval are read by each refresh: the next one starts now.
    if (daemonThread)
        daemonThread->RefreshNow();
}

void MainFrame::ApplyPopupStyle()
{
    const wxString style = Settings::ReadString(SettingsKeys::kPopupStyle, SettingsKeys::kPopupStyleDefault);
    if (popupStyleApplied && style == appliedPopupStyle)
        return;
    popupStyleApplied = true;
    appliedPopupStyle = style;
    // The manager lets go of the old outlet before it goes.
    popupDialogManager->SetOutlet(nullptr);
    desktopNotifier = DesktopNotifier::ForStyle(style);
    popupDialogManager->SetOutlet(desktopNotifier.get());
}

void MainFrame::UpdatePauseState()
{
    SOLVANE_TRACE("[%p]MainFrame::UpdatePauseState(void)", static_cast<void*>(this));
    const long long end = Settings::ReadLong(SettingsKeys::kPopupPausedUntil, SettingsKeys::kPopupPausedUntilDefault);
    const std::time_t now = std::time(nullptr);
    const bool paused = PopupPause::IsPaused(end, now);
    menuBar->Enable(ID_RESUME_POPUPS, paused);
    if (notifyIcon)
    {
        if (wxMenuItem* resume = notifyIcon->GetMenu()->FindItem(ID_RESUME_POPUPS))
            resume->Enable(paused);
    }
    pauseTimer.Stop();
    wxString note;
    if (paused && end == PopupPause::kUntilResumed)
    {
        note = _("Pop-ups paused until resumed");
    }
    else if (paused)
    {
        note = wxString::Format(_("Pop-ups paused until %s"), wxDateTime(static_cast<time_t>(end)).Format("%a %H:%M"));
        // A second late, so that the pause has surely ended when it runs out.
        const long long milliseconds = (end - static_cast<long long>(now)) * 1000 + 1000;
        pauseTimer.StartOnce(static_cast<int>(std::min<long long>(milliseconds, INT_MAX)));
    }
    if (notifyIcon)
    {
        const wxString appName = wxTheApp->GetAppName();
        const wxString name = appName.empty() ? wxTheApp->GetClassName() : appName;
        notifyIcon->SetTooltip(note.empty() ? name : name + "\n" + note);
    }
}

void MainFrame::ShowFavoritePage()
{
    // Turning the page focuses it, and the toolkit brings the window of a focused control to the
    // front: a window minimised or hidden in the notification area would come back unasked. The
    // page turns when the person brings the window back.
    favoritePageWaiting = IsIconized() || !IsShown();
    if (!favoritePageWaiting)
        notebook->SetSelection(static_cast<size_t>(notebook->FindPage(favoritePanel)));
}
