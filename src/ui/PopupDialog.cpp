// One pop-up: a small window at the bottom right announcing a performer, with her picture.
#include "ui/PopupDialog.h"

#include "net/DownloadFinishedEvent.h"
#include "net/DownloadThread.h"
#include "site/SiteAddress.h"
#include "site/SiteRequests.h"
#include "skin/SkinImageStore.h"
#include "ui/NotificationHints.h"
#include "ui/PopupSlots.h"
#include "ui/SkinText.h"
#include "util/ImageHeader.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"
#include "util/Util.h"

#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/imagjpeg.h>
#include <wx/imagpng.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace
{
const int kPictureWidth = 107;
const int kPictureHeight = 82;
// A screen's scale as the picture is made for it: 1 to 4, else 1.
double ValidScale(double scale)
{
    return scale >= 1 && scale <= 4 ? scale : 1;
}

// The picture's size in the screen's own pixels.
wxSize ScaledPictureSize(double scale)
{
    return wxSize(wxRound(kPictureWidth * ValidScale(scale)), wxRound(kPictureHeight * ValidScale(scale)));
}
} // namespace

wxBEGIN_EVENT_TABLE(PopupDialog, wxDialog)
    EVT_DOWNLOAD_FINISHED(wxID_ANY, PopupDialog::OnDownloadFinished)
    EVT_TIMER(wxID_ANY, PopupDialog::OnDestroyTimer)
wxEND_EVENT_TABLE()

PopupDialog::PopupDialog(const User& user_, PopupKind kind_, wxWindow* parent, wxWindowID id, const wxString& title,
                         const wxPoint& pos, const wxSize& size, long style, PopupSlots* manager_, int slot_)
    : wxDialog(parent, id, title, pos, size, style), user(user_), kind(kind_), manager(manager_), slot(slot_)
{
    SOLVANE_TRACE("[%p]PopupDialog::PopupDialog(%s, %d, %d)", static_cast<void*>(this), user_.GetName(), kind_, slot_);
    SkinImageStore* skin = SkinImageStore::GetInstance();
    framePanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSTATIC_BORDER | wxTAB_TRAVERSAL);
    contentPanel = new wxPanel(framePanel, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxNO_BORDER | wxTAB_TRAVERSAL);
    titleBar = new wxStaticBitmap(framePanel, wxID_ANY, wxBitmapBundle(), wxDefaultPosition, wxDefaultSize, 0);
    styleBar =
        new wxStaticBitmap(framePanel, wxID_ANY, wxBitmapBundle(), wxDefaultPosition, wxDefaultSize, wxSTATIC_BORDER);
    // The strips reach from border to border, whatever the width of the borders here.
    stripWidth = kWidth - framePanel->GetWindowBorderSize().x;
    titleBar->SetBitmap(skin->GetStripBundle("PopupDialog_titleBar", stripWidth));
    // The bar's words are drawn here, in the user's language, over the skin's plain bar.
    styleBar->SetBitmap(DrawSkinTexts(
        skin->GetStripBundle(kind == POPUP_FREE ? "PopupDialog_styleBar_FREE" : "PopupDialog_styleBar_ONLINE",
                             stripWidth - styleBar->GetWindowBorderSize().x),
        {StripText(kind)}));
    profileImage = new wxStaticBitmap(contentPanel, wxID_ANY, skin->GetBitmapBundle("PopupDialog_profileImage"),
                                      wxDefaultPosition, wxDefaultSize, 0);
    nameLabel = new wxStaticText(contentPanel, wxID_ANY, _("New Face"), wxDefaultPosition, wxDefaultSize,
                                 wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);

    SetProperties();
    DoLayout();
    SetNotificationHints(this);

    profileImage->SetCursor(wxCursor(wxCURSOR_HAND));
    profileImage->Bind(wxEVT_LEFT_DOWN, &PopupDialog::OnLeftDownForControl, this);
    nameLabel->SetLabel(user.GetName());
    nameLabel->Bind(wxEVT_LEFT_DOWN, &PopupDialog::OnLeftDownForControl, this);
    titleBar->Bind(wxEVT_LEFT_DOWN, &PopupDialog::OnTitleBarLeftDown, this);
    titleBar->Bind(wxEVT_MOTION, &PopupDialog::OnTitleBarMotion, this);
    // A right click on any part comes here: the event rises from the part to the pop-up.
    Bind(wxEVT_CONTEXT_MENU, &PopupDialog::OnContextMenu, this);

    contentBitmap = skin->GetBitmapBundle("PopupDialog_contentPanel");
    contentPanel->Bind(wxEVT_PAINT, &PopupDialog::OnContentPanelPaint, this);

    StartDownload();
}

PopupDialog::~PopupDialog()
{
    SOLVANE_TRACE("[%p]PopupDialog::~PopupDialog(void)", static_cast<void*>(this));
    pictureStop.RequestStop();
    // Gone another way than by its time (the program is closing): the slot frees, and nothing
    // new is started from here.
    if (manager)
        manager->OnPopupClosed(this, false);
}

SkinText PopupDialog::StripText(PopupKind kind)
{
    SkinText words;
    words.text = kind == POPUP_FREE ? _("FREE NOW") : _("ONLINE");
    // Where the bar's picture leaves room after its mark, small capitals spaced a little; a script
    // without capitals (Japanese) can not be read that small and takes the bar's height.
    const bool capitals = words.text.IsAscii();
    words.x = 16;
    words.y = capitals ? 9 : 10;
    words.size = capitals ? 8 : 9;
    words.bold = true;
    words.letterSpacing = 0.8;
    return words;
}

void PopupDialog::SetProperties()
{
    SetTitle(_("Popup"));
    SetSize(wxSize(kWidth, kHeight));
    titleBar->SetMinSize(wxSize(stripWidth, 18));
    styleBar->SetMinSize(wxSize(stripWidth, 12));
    profileImage->SetMinSize(wxSize(kPictureWidth, kPictureHeight));
    nameLabel->SetMinSize(wxSize(108, 18));
    nameLabel->SetBackgroundColour(wxColour(90, 146, 239));
    nameLabel->SetForegroundColour(wxColour(255, 255, 255));
    nameLabel->SetFont(wxFont(10, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false, wxEmptyString));
    contentPanel->SetBackgroundColour(wxColour(99, 150, 255));
}

void PopupDialog::DoLayout()
{
    auto* contentSizer = new wxBoxSizer(wxVERTICAL);
    contentSizer->Add(-1, 8, 0, wxEXPAND | wxALL, 0);
    contentSizer->Add(profileImage, 0, wxBOTTOM | wxALIGN_CENTER_HORIZONTAL, 3);
    contentSizer->Add(nameLabel, 0, wxEXPAND | wxBOTTOM, 5);
    contentPanel->SetAutoLayout(true);
    contentPanel->SetSizer(contentSizer);
    contentSizer->Fit(contentPanel);
    contentSizer->SetSizeHints(contentPanel);

    auto* frameSizer = new wxBoxSizer(wxVERTICAL);
    frameSizer->Add(titleBar, 0, 0, 0);
    frameSizer->Add(styleBar, 0, 0, 0);
    frameSizer->Add(contentPanel, 1, wxEXPAND | wxALL, 0);
    framePanel->SetAutoLayout(true);
    framePanel->SetSizer(frameSizer);
    frameSizer->Fit(framePanel);
    frameSizer->SetSizeHints(framePanel);

    auto* topSizer = new wxBoxSizer(wxVERTICAL);
    topSizer->Add(framePanel, 1, wxEXPAND | wxALL, 0);
    SetAutoLayout(true);
    SetSizer(topSizer);
    Layout();
}

void PopupDialog::StartDownload()
{
    SOLVANE_TRACE("[%p]PopupDialog::StartDownload(void)", static_cast<void*>(this));
    if (!StartPictureDownload(this, wxID_ANY, user.GetName(), pictureStop, GetContentScaleFactor()))
    {
        SOLVANE_TRACE("Could not run download thread.");
        // Handled as a failed download, once the manager has taken this pop-up in.
        CallAfter([this] { PictureArrived(wxBitmap()); });
    }
}

bool PopupDialog::StartPictureDownload(wxEvtHandler* receiver, int id, const wxString& name, const StopToken& stop,
                                       double scale)
{
    auto* thread = new DownloadThread(receiver, id, SiteAddress::ProfileImage(name));
    HttpGet& request = thread->GetRequest();
    request.AddHeader(SiteRequests::kPictureHostHeader, SiteAddress::ProfileImageHost());
    request.SetConnectTimeout(SiteRequests::kPictureStallMilliseconds);
    request.SetStallTimeout(SiteRequests::kPictureStallMilliseconds);
    request.SetSizeLimit(kMaxPictureBytes);
    request.SetOverallTimeout(SiteRequests::kPictureOverallMilliseconds);
    request.SetAcceptCompressed(true);
    // A pop-up closed before its picture came (its performer left) gives its download place back.
    request.SetStopToken(stop);
    // Decoding a large picture kept the window waiting for hundreds of milliseconds: it is done on
    // the download's thread.
    thread->SetBodyWork([scale](std::string body) -> std::any { return DecodeProfileImage(body, scale); });
    if (thread->Run() == wxTHREAD_NO_ERROR)
        return true;
    delete thread;
    return false;
}

wxImage PopupDialog::DecodeProfileImage(const std::string& body, double scale)
{
    SOLVANE_TRACE("[static]PopupDialog::DecodeProfileImage(%zu, %g)", body.size(), scale);
    if (body.empty() || body.size() > kMaxPictureBytes)
        return wxImage();
    // The size comes from the header first: a small body can announce a picture whose pixels
    // would not fit into memory.
    const ImageHeader header = ImageHeader::Read(body.data(), body.size());
    if (header.format == ImageHeader::UNKNOWN || header.width > kMaxPictureSide || header.height > kMaxPictureSide)
        return wxImage();

    // Handlers of our own: the toolkit's list holds only what the skin needed.
    wxJPEGHandler jpeg;
    wxPNGHandler png;
    wxImageHandler& handler = header.format == ImageHeader::JPEG ? static_cast<wxImageHandler&>(jpeg) : png;
    wxMemoryInputStream stream(body.data(), body.size());
    wxImage image;
    {
        wxLogNull quiet; // a broken picture is expected now and then
        if (!handler.LoadFile(&image, stream, false) || !image.IsOk())
            return wxImage();
    }
    if (static_cast<unsigned>(image.GetWidth()) != header.width ||
        static_cast<unsigned>(image.GetHeight()) != header.height)
        return wxImage();
    // Scaled once, from the picture as it came, to the screen's own pixels.
    const wxSize size = ScaledPictureSize(scale);
    image.Rescale(size.x, size.y, wxIMAGE_QUALITY_HIGH);
    return image;
}

wxBitmap PopupDialog::ProfileBitmap(const wxImage& picture, double scale)
{
    if (!picture.IsOk() || picture.GetSize() != ScaledPictureSize(scale))
        return wxBitmap();
    return wxBitmap(picture, -1, ValidScale(scale));
}

void PopupDialog::OnDownloadFinished(DownloadFinishedEvent& event)
{
    SOLVANE_TRACE("[%p]PopupDialog::OnDownloadFinished(%d, %zu)", static_cast<void*>(this), event.Succeeded(),
                  event.GetBodyLength());
    const bool arrived = event.Succeeded();
    // The download's thread has decoded the picture: only the bitmap is made here.
    const wxImage decoded = event.TakeResult<wxImage>().value_or(wxImage());
    wxBitmap picture = arrived ? ProfileBitmap(decoded, GetContentScaleFactor()) : wxBitmap();
    if (arrived && !picture.IsOk())
        SOLVANE_TRACE("invalid image");
    PictureArrived(picture);
}

void PopupDialog::PictureArrived(const wxBitmap& picture)
{
    SOLVANE_TRACE("[%p]PopupDialog::PictureArrived(%d)", static_cast<void*>(this), picture.IsOk());
    // Closing: the pop-up is on its way out and is not shown any more; it tells the manager of
    // the ended download as it goes.
    if (!waitingForPicture || IsBeingDeleted() || wxPendingDelete.Member(this))
        return;
    waitingForPicture = false;
    profileImage->SetBitmap(picture.IsOk()
                                ? wxBitmapBundle(picture)
                                : SkinImageStore::GetInstance()->GetBitmapBundle("PopupDialog_profileImage"));
    if (manager)
    {
        manager->OnPopupReady(this);
        return;
    }
    const wxRect area = wxGetClientDisplayRect();
    ShowAt(wxPoint(area.GetRight() + 1 - GetSize().x, area.GetBottom() + 1 - slot * GetSize().y));
}

wxBitmap PopupDialog::GetProfileBitmap() const
{
    return profileImage->GetBitmap();
}

void PopupDialog::ShowAt(const wxPoint& position)
{
    SOLVANE_TRACE("[%p]PopupDialog::ShowAt(%d, %d)", static_cast<void*>(this), position.x, position.y);
    Move(position);
    // The time counts from here, not from the pop-up's creation: a slow picture costs the
    // user none of it.
    timer = std::make_unique<wxTimer>(this);
    timer->StartOnce(static_cast<int>(DurationSeconds() * 1000));
    ShowWithoutActivating();
}

long PopupDialog::DurationSeconds()
{
    // Read anew for each pop-up and never written: a setting for those who want it otherwise.
    return Settings::PopupDurationSeconds();
}

void PopupDialog::Detach()
{
    SOLVANE_TRACE("[%p]PopupDialog::Detach(void)", static_cast<void*>(this));
    manager = nullptr;
    // A picture still on its way must not show a pop-up that is being closed, nor keep its
    // connection.
    waitingForPicture = false;
    pictureStop.RequestStop();
}

void PopupDialog::OnDestroyTimer(wxTimerEvent&)
{
    SOLVANE_TRACE("[%p]PopupDialog::OnDestroyTimer(void)", static_cast<void*>(this));
    // The menu would lose its window under the pointer: the pop-up goes once the menu has ended.
    if (menuOpen)
    {
        timeUp = true;
        return;
    }
    Dismiss();
}

void PopupDialog::OnContentPanelPaint(wxPaintEvent& event)
{
    SOLVANE_TRACE("[%p]PopupDialog::OnContentPanelPaint(void)", static_cast<void*>(this));
    auto* panel = static_cast<wxWindow*>(event.GetEventObject());
    wxPaintDC dc(panel);
    if (contentBitmap.IsOk())
        dc.DrawBitmap(contentBitmap.GetBitmapFor(panel), 0, 0, true);
}

void PopupDialog::OnLeftDownForControl(wxMouseEvent&)
{
    SOLVANE_TRACE("[%p]PopupDialog::OnLeftDownForControl(void)", static_cast<void*>(this));
    // Not passed on: the pop-up stays as it is.
    Util::LaunchBrowser(SiteAddress::PerformerPage(user.GetName()));
}
