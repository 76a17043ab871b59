// The main window: the All and Favorite trees, the menus, and the owner of the polling thread.
#include "ui/MainFrame.h"

#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "model/NameFilter.h"
#include "model/PopupPause.h"
#include "model/UserListEvent.h"
#include "net/DownloadThread.h"
#include "site/DaemonThread.h"
#include "site/Site.h"
#include "skin/SkinImageStore.h"
#include "ui/AllTreeCtrl.h"
#include "ui/AuthenticationDialog.h"
#include "ui/CloseRequest.h"
#include "ui/DesktopNotifier.h"
#include "ui/FavoriteTreeCtrl.h"
#include "ui/HelpMenu.h"
#include "ui/HistoryListCtrl.h"
#include "ui/HistoryPanel.h"
#include "ui/Keyring.h"
#include "ui/NativeView.h"
#include "ui/NotebookTabs.h"
#include "ui/NotifyIcon.h"
#include "ui/PopupDialogManager.h"
#include "ui/ServerFailureBox.h"
#include "ui/SettingsDialog.h"
#include "ui/WindowPlace.h"
#include "util/SayOnStderr.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"
#include "util/Util.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/filefn.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/datetime.h>
#include <wx/srchctrl.h>
#include <wx/stdpaths.h>
#include <wx/splash.h>
#include <wx/utils.h>

#include <cstdio>
#include <algorithm>
#include <climits>
#include <ctime>

namespace
{
const long kTreeStyle = wxSUNKEN_BORDER | wxTR_HIDE_ROOT | wxTR_LINES_AT_ROOT | wxTR_NO_LINES | wxTR_HAS_BUTTONS;
// Stopped transfers end within a few of their 20 ms checks; this only bounds a wedged one, which
// the host then waits for before it unloads the module (within the second an exit may take).
const long kStopDownloadsMilliseconds = 100;
// A stopped polling thread ends within one batch of the history's work, a few tens of milliseconds.
const long kStopPollingMilliseconds = 250;
// How often a close that waits for a box looks whether the box is still up.
const int kCloseAfterBoxMilliseconds = 100;

} // namespace

wxBEGIN_EVENT_TABLE(MainFrame, wxFrame)
    EVT_DOWNLOAD_FINISHED(wxID_ANY, MainFrame::OnDownloadFinished)
    EVT_ICONIZE(MainFrame::OnIconize)
    EVT_MENU(wxID_ANY, MainFrame::OnMenu)
wxEND_EVENT_TABLE()

MainFrame::MainFrame() : wxFrame(nullptr, wxID_ANY, wxEmptyString), loggedIn(false)
{
    SOLVANE_TRACE("[%p]MainFrame::MainFrame(void)", static_cast<void*>(this));
    notebook = new wxNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, "notebook");
    favoritePanel = new wxPanel(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER);
    allPanel = new wxPanel(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER);

    menuBar = new wxMenuBar;
    SetMenuBar(menuBar);
    auto* fileMenu = new wxMenu;
    fileMenu->Append(wxID_EXIT, _("E&xit"));
    menuBar->Append(fileMenu, _("&File"));
    auto* toolMenu = new wxMenu;
    toolMenu->Append(ID_UPDATE_FAVORITE, _("&UpdateFavorite"));
    toolMenu->AppendCheckItem(ID_POPUP_ONLY_FAVORITE, _("&PopupOnlyFavorite"));
    toolMenu->AppendSeparator();
    toolMenu->AppendSubMenu(NewPauseMenu(), _("P&ause pop-ups"));
    toolMenu->Append(ID_RESUME_POPUPS, _("Resu&me pop-ups"));
    toolMenu->AppendSeparator();
    toolMenu->Append(ID_SETTINGS, _("&Settings..."));
    menuBar->Append(toolMenu, _("&Tool"));
    menuBar->Append(NewHelpMenu(), _("&Help"));

    searchCtrl = new wxSearchCtrl(this, ID_FIND, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
    allTreeCtrl = new AllTreeCtrl(allPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize, kTreeStyle);
    favoriteTreeCtrl = new FavoriteTreeCtrl(favoritePanel, wxID_ANY, wxDefaultPosition, wxDefaultSize, kTreeStyle);
    OpenHistory();

    SetProperties();
    DoLayout();

    SkinImageStore* skin = SkinImageStore::GetInstance();
    menuBar->Check(ID_POPUP_ONLY_FAVORITE, Settings::ReadBool(SettingsKeys::kPopupOnlyFavorite, SettingsKeys::kPopupOnlyFavoriteDefault));
    // Pop-ups can be limited to favourites only once there are favourites.
    menuBar->Enable(ID_POPUP_ONLY_FAVORITE, false);

    daemonThread = std::make_unique<DaemonThread>(Site::GetInstance());
    daemonThread->AddEventHandler(allTreeCtrl);
    // The favourites page stays inert until the first login registers its tree.
    favoritePanel->Enable(false);
    // Second in line: the All tree has its item when a pop-up announces the user.
    popupDialogManager = std::make_unique<PopupDialogManager>(menuBar);
    daemonThread->AddEventHandler(popupDialogManager.get());
    // A click on the pop-ups' summary brings this window back on the History page: what the
    // summary counted is listed there.
    popupDialogManager->SetShowHistory([this] {
        wxCommandEvent open(wxEVT_MENU, wxID_OPEN);
        ProcessWindowEvent(open);
        notebook->SetSelection(static_cast<size_t>(notebook->FindPage(historyPanel)));
    });
    // The recorder writes each refresh before its events go out, so the page finds them.
    daemonThread->SetObserver(historyRecorder.get());
    daemonThread->AddEventHandler(historyPanel->GetListCtrl());
    ApplyPopupStyle();

    const wxIcon icon = skin->GetIcon("Application_icon");
    if (icon.IsOk())
    {
        // The desktop takes the size it shows: the 2x rendering on a screen scaled by 2.
        wxIconBundle icons(icon);
        const wxIcon large = skin->GetIcon("Application_icon@2x");
        if (large.IsOk())
            icons.AddIcon(large);
        SetIcons(icons);
    }

    const wxRect place =
        ReadWindowPlace(SettingsKeys::kMainFrameX, SettingsKeys::kMainFrameY, SettingsKeys::kMainFrameWidth,
                        SettingsKeys::kMainFrameHeight,
                        wxSize(std::max(SettingsKeys::kMainFrameWidthDefault, NotebookTabsWidth(notebook)),
                               SettingsKeys::kMainFrameHeightDefault));
    SetSize(place.x, place.y, place.width, place.height, wxSIZE_AUTO_WIDTH | wxSIZE_AUTO_HEIGHT);
    // The pages take the notebook's size before the window system first lays them out: fitted to
    // their best size, the trees would be given a few pixels' height there, and a list that came
    // in first has already shown their scrollbars, which GTK refuses with a warning.
    for (size_t page = 0; page < notebook->GetPageCount(); ++page)
        notebook->GetPage(page)->SetSize(notebook->GetClientSize());
    Show(true);
    Raise();
    PrepareStartLogin();
    daemonThread->Run();

    const wxString appName = wxTheApp->GetAppName();
    notifyIcon = std::make_unique<NotifyIcon>(this, icon, appName.empty() ? wxTheApp->GetClassName() : appName,
                                              std::vector<wxImage>{skin->GetImage("Application_icon"),
                                                                   skin->GetImage("Application_icon@2x")});
    // Asked for each new pop-up: a notification area may come, go or move at any time.
    popupDialogManager->SetTrayIconSource([this] { return notifyIcon ? notifyIcon->GetScreenRect() : wxRect(); });

    searchCtrl->Bind(wxEVT_TEXT, &MainFrame::OnSearchText, this);
    notebook->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, &MainFrame::OnPageChanged, this);
    Bind(wxEVT_CHAR_HOOK, &MainFrame::OnCharHook, this);
    const wxAcceleratorEntry find(wxACCEL_CTRL, 'F', ID_FIND);
    SetAcceleratorTable(wxAcceleratorTable(1, &find));
    pauseTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { UpdatePauseState(); });
    UpdatePauseState();

    // The toolkit drops a close asked for while a modal box is up: the person who closed the
    // window meant it, so it closes once the box is answered.
    WatchCloseRequests(this, [this] {
        if (IsBoxUp() && !closeAfterBoxTimer.IsRunning())
            closeAfterBoxTimer.Start(kCloseAfterBoxMilliseconds);
    });
    closeAfterBoxTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (IsBoxUp())
            return;
        closeAfterBoxTimer.Stop();
        Close();
    });
}

bool MainFrame::IsBoxUp() const
{
    return !IsEnabled() || wxEventLoopBase::GetActive() != wxTheApp->GetMainLoop();
}

MainFrame::~MainFrame()
{
    SOLVANE_TRACE("[%p]MainFrame::~MainFrame(void)", static_cast<void*>(this));
    closeAfterBoxTimer.Stop();
    UnwatchCloseRequests(this);
    // The thread first: after this nothing is posted to the trees. It ends within a batch of its
    // work; one that does not (a write of a huge list) is left running with the history it writes
    // to, and the host waits for it within its own limit before unloading the module.
    if (daemonThread && !daemonThread->Stop(kStopPollingMilliseconds))
    {
        auto history = std::make_shared<std::pair<std::unique_ptr<HistoryRecorder>, std::unique_ptr<HistoryStore>>>(
            std::move(historyRecorder), std::move(historyStore));
        DaemonThread::Abandon(std::move(daemonThread), history);
    }
    daemonThread.reset();
    notifyIcon.reset();
    // The pop-ups go with the window, and every transfer ends now: a reply sent later than the
    // host's last look at its queue would call into the module after it is unloaded.
    popupDialogManager.reset();
    desktopNotifier.reset();
    keyring.reset();
    DownloadThread::StopAll(kStopDownloadsMilliseconds);

    // Where the desktop places windows itself (Wayland), the toolkit's position is not a place on
    // the screen: the next start lets the desktop choose again.
    const bool placed = wxGetDisplayInfo().type != wxDisplayWayland;
    const wxPoint position = placed ? GetPosition() : wxDefaultPosition;
    const wxSize size = GetSize();
    Settings::WriteLong(SettingsKeys::kMainFrameX, position.x);
    Settings::WriteLong(SettingsKeys::kMainFrameY, position.y);
    Settings::WriteLong(SettingsKeys::kMainFrameWidth, size.x);
    Settings::WriteLong(SettingsKeys::kMainFrameHeight, size.y);
    Settings::DeleteEntry(SettingsKeys::kFavorites);
    Settings::Flush();

    // Nothing of the program may outlive its main window: a splash screen still counting down
    // or the server-failure box would keep the program running after the user left it.
    for (wxWindow* window : wxWindowList(wxTopLevelWindows)) // Destroy() edits the list
    {
        if (window == this)
            continue;
        if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsModal())
            dialog->EndModal(wxID_CANCEL);
        else if (dynamic_cast<wxSplashScreen*>(window))
            window->Destroy();
    }
}

void MainFrame::OpenHistory()
{
    SOLVANE_TRACE("[%p]MainFrame::OpenHistory(void)", static_cast<void*>(this));
    historyStore = std::make_unique<HistoryStore>();
    wxString error;
    switch (historyStore->Open(HistoryStore::DefaultPath(), &error))
    {
    case HistoryStore::OpenResult::Opened: break;
    case HistoryStore::OpenResult::Replaced:
        SayOnStderr(error);
        break;
    case HistoryStore::OpenResult::Failed:
        SayOnStderr("the history is off for this run: " + error);
        break;
    }
    historyRecorder = std::make_unique<HistoryRecorder>(historyStore.get());
    HistoryStore* store = historyStore.get();
    favoriteTreeCtrl->SetLastSeenLookup([store](const wxString& name) { return store->GetLastSeen(name); });
    historyPanel = new HistoryPanel(notebook, store, [this] {
        std::vector<wxString> names;
        for (const auto& entry : favoriteTreeCtrl->GetFavorites())
            names.push_back(entry.first);
        return names;
    });
}

void MainFrame::SetProperties()
{
    SetTitle(_("Solvane LoginChecker"));
    SetSize(ConvertDialogToPixels(wxSize(128, 240)));
}

void MainFrame::DoLayout()
{
    auto* allSizer = new wxBoxSizer(wxVERTICAL);
    allSizer->Add(allTreeCtrl, 1, wxEXPAND, 0);
    allPanel->SetAutoLayout(true);
    allPanel->SetSizer(allSizer);
    allSizer->Fit(allPanel);
    allSizer->SetSizeHints(allPanel);

    auto* favoriteSizer = new wxBoxSizer(wxVERTICAL);
    favoriteSizer->Add(favoriteTreeCtrl, 1, wxEXPAND, 0);
    favoritePanel->SetAutoLayout(true);
    favoritePanel->SetSizer(favoriteSizer);
    favoriteSizer->Fit(favoritePanel);
    favoriteSizer->SetSizeHints(favoritePanel);

    notebook->AddPage(allPanel, _("All"));
    notebook->AddPage(favoritePanel, _("Favorite"));
    notebook->AddPage(historyPanel, _("History"));

    searchCtrl->SetDescriptiveText(_("Find a performer"));
    // The hint is gone once something is typed; a screen reader says this name throughout.
    SetAccessibleName(searchCtrl, _("Find a performer"));

    auto* frameSizer = new wxBoxSizer(wxVERTICAL);
    frameSizer->Add(searchCtrl, 0, wxEXPAND, 0);
    frameSizer->Add(notebook, 1, wxEXPAND, 0);
    SetAutoLayout(true);
    SetSizer(frameSizer);
    Layout();
}

void MainFrame::OnIconize(wxIconizeEvent& event)
{
    SOLVANE_TRACE("[%p]MainFrame::OnIconize(%d)", static_cast<void*>(this), event.IsIconized());
    if (event.IsIconized())
    {
        // Hidden, the frame lives on only as the notification-area icon. Without the icon in
        // place (a skin without one) or a notification area to show it, it could never come
        // back: it then stays an ordinary minimised window.
        if (notifyIcon && notifyIcon->CanBringBack())
            Show(false);
    }
    else if (IsShown())
    {
        // Restored by the window manager while it was still an ordinary minimised window. A frame
        // hidden above is told it is no longer minimised as it leaves the screen: showing it then
        // would have the window manager minimise it again, and hide it again, over and over; only
        // the icon's Open brings it back.
        Raise();
        if (favoritePageWaiting)
            ShowFavoritePage();
    }
}

void MainFrame::OnMenu(wxCommandEvent& event)
{
    SOLVANE_TRACE("[%p]MainFrame::OnMenu(%d)", static_cast<void*>(this), event.GetId());
    switch (event.GetId())
    {
    case wxID_OPEN:
        // Restored before it is shown: a window hidden while minimised would otherwise ask the
        // window manager to map it minimised again. The toolkit forgets the minimised state as
        // the window is hidden, yet the window system still maps it so: a hidden one is always
        // restored.
        if (IsIconized() || !IsShown())
            Iconize(false);
        Show(true);
        Raise();
        if (favoritePageWaiting)
            ShowFavoritePage();
        break;
    case wxID_CLOSE: Show(false); break;
    case wxID_EXIT:
        // The account dialog's loop runs on this frame's stack: it ends first, and the frame
        // goes once that loop has returned (UpdateFavorite).
        if (authenticationDialog)
        {
            exitAfterDialog = true;
            authenticationDialog->EndModal(wxID_CANCEL);
        }
        else
        {
            Destroy();
        }
        break;
    case ID_UPDATE_FAVORITE: UpdateFavorite(); break;
    case ID_POPUP_ONLY_FAVORITE:
        Settings::WriteBool(SettingsKeys::kPopupOnlyFavorite, event.IsChecked());
        Settings::Flush();
        break;
    case ID_SETTINGS: ShowSettings(); break;
    case ID_FIND: searchCtrl->SetFocus(); break;
    // The host's folder: the package puts the documents in the tree it is installed in.
    case wxID_ABOUT: ShowAboutBox(this, wxPathOnly(wxStandardPaths::Get().GetExecutablePath())); break;
    case ID_MANUAL: Util::LaunchBrowser(ManualAddress(wxPathOnly(wxStandardPaths::Get().GetExecutablePath()))); break;
    case ID_PAUSE_ONE_HOUR:
    case ID_PAUSE_UNTIL_MORNING:
    case ID_PAUSE_UNTIL_RESUMED:
    {
        const PopupPause::Length length = event.GetId() == ID_PAUSE_ONE_HOUR       ? PopupPause::ONE_HOUR
                                          : event.GetId() == ID_PAUSE_UNTIL_MORNING ? PopupPause::UNTIL_MORNING
                                                                                    : PopupPause::UNTIL_RESUMED;
        Settings::WriteLong(SettingsKeys::kPopupPausedUntil,
                            static_cast<long>(PopupPause::EndFor(length, std::time(nullptr))));
        Settings::Flush();
        UpdatePauseState();
        break;
    }
    case ID_RESUME_POPUPS:
        Settings::DeleteEntry(SettingsKeys::kPopupPausedUntil);
        Settings::Flush();
        UpdatePauseState();
        break;
    default: break;
    }
}
