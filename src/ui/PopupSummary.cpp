// The one pop-up that tells how many more came than were shown, in the pop-ups' column.
#include "ui/PopupSummary.h"

#include "skin/SkinImageStore.h"
#include "ui/NotificationHints.h"
#include "ui/PopupDialog.h"
#include "ui/SkinText.h"
#include "util/Trace.h"

#include <wx/dcclient.h>
#include <wx/intl.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

PopupSummary::PopupSummary(int slot_, std::function<void()> onClick_, std::function<void()> onClosed_)
    : wxDialog(nullptr, wxID_ANY, _("Pop-up summary"), wxDefaultPosition,
               wxSize(PopupDialog::kWidth, PopupDialog::kHeight), PopupDialog::kStyle),
      slot(slot_), onClick(std::move(onClick_)), onClosed(std::move(onClosed_))
{
    SOLVANE_TRACE("[%p]PopupSummary::PopupSummary(%d)", static_cast<void*>(this), slot_);
    SkinImageStore* skin = SkinImageStore::GetInstance();
    // The same frame as a pop-up's: its strips from border to border over the content panel.
    auto* framePanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSTATIC_BORDER);
    contentPanel = new wxPanel(framePanel, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxNO_BORDER);
    const int stripWidth = PopupDialog::kWidth - framePanel->GetWindowBorderSize().x;
    auto* titleBar = new wxStaticBitmap(framePanel, wxID_ANY, skin->GetStripBundle("PopupDialog_titleBar", stripWidth));
    auto* styleBar =
        new wxStaticBitmap(framePanel, wxID_ANY, wxBitmapBundle(), wxDefaultPosition, wxDefaultSize, wxSTATIC_BORDER);
    styleBar->SetBitmap(DrawSkinTexts(
        skin->GetStripBundle("PopupDialog_styleBar_ONLINE", stripWidth - styleBar->GetWindowBorderSize().x),
        {PopupDialog::StripText(POPUP_ONLINE)}));
    titleBar->SetMinSize(wxSize(stripWidth, 18));
    styleBar->SetMinSize(wxSize(stripWidth, 12));
    contentPanel->SetBackgroundColour(wxColour(99, 150, 255));
    countLabel = new wxStaticText(contentPanel, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                  wxALIGN_CENTRE_HORIZONTAL);
    auto* hintLabel = new wxStaticText(contentPanel, wxID_ANY, _("Click to see the history"), wxDefaultPosition,
                                       wxDefaultSize, wxALIGN_CENTRE_HORIZONTAL);
    // The count in the colours of a pop-up's name, the hint dark: the content picture is light.
    countLabel->SetBackgroundColour(wxColour(90, 146, 239));
    countLabel->SetForegroundColour(*wxWHITE);
    hintLabel->SetForegroundColour(wxColour(40, 60, 110));
    countLabel->SetFont(wxFont(10, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD));
    hintLabel->SetFont(wxFont(8, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL));
    hintLabel->Wrap(stripWidth - 12);

    auto* contentSizer = new wxBoxSizer(wxVERTICAL);
    contentSizer->AddStretchSpacer();
    contentSizer->Add(countLabel, 0, wxEXPAND);
    contentSizer->Add(hintLabel, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 6);
    contentSizer->AddStretchSpacer();
    contentPanel->SetSizer(contentSizer);
    auto* frameSizer = new wxBoxSizer(wxVERTICAL);
    frameSizer->Add(titleBar, 0, 0, 0);
    frameSizer->Add(styleBar, 0, 0, 0);
    frameSizer->Add(contentPanel, 1, wxEXPAND, 0);
    framePanel->SetSizer(frameSizer);
    auto* topSizer = new wxBoxSizer(wxVERTICAL);
    topSizer->Add(framePanel, 1, wxEXPAND, 0);
    SetSizer(topSizer);
    SetSize(wxSize(PopupDialog::kWidth, PopupDialog::kHeight));
    Layout();
    SetNotificationHints(this);

    contentBitmap = skin->GetBitmapBundle("PopupDialog_contentPanel");
    contentPanel->Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
        wxPaintDC dc(contentPanel);
        if (contentBitmap.IsOk())
            dc.DrawBitmap(contentBitmap.GetBitmapFor(contentPanel), 0, 0, true);
    });
    // Anywhere on it: it is small, and it has one thing to offer.
    for (wxWindow* part : std::initializer_list<wxWindow*>{contentPanel, titleBar, styleBar, countLabel, hintLabel})
    {
        part->SetCursor(wxCursor(wxCURSOR_HAND));
        part->Bind(wxEVT_LEFT_DOWN, &PopupSummary::OnClick, this);
    }
    Bind(wxEVT_TIMER, &PopupSummary::OnTimer, this);
}

PopupSummary::~PopupSummary()
{
    SOLVANE_TRACE("[%p]PopupSummary::~PopupSummary(void)", static_cast<void*>(this));
}

void PopupSummary::SetText(const wxString& text)
{
    SOLVANE_TRACE("[%p]PopupSummary::SetText(%s)", static_cast<void*>(this), text);
    if (text != shownText)
    {
        shownText = text;
        // A poll's arrivals change the count hundreds of times in one turn, and wrapping measures
        // the text each time: once shown, the label takes the last count at the turn's end.
        if (!IsShown())
            ApplyText();
        else if (!labelDue)
        {
            labelDue = true;
            CallAfter(&PopupSummary::ApplyText);
        }
    }
    if (IsShown())
        StartTime();
}

void PopupSummary::ApplyText()
{
    labelDue = false;
    countLabel->SetLabel(shownText);
    countLabel->Wrap(PopupDialog::kWidth - 8);
    contentPanel->Layout();
}

wxString PopupSummary::GetText() const
{
    return shownText;
}

void PopupSummary::ShowAt(const wxPoint& position)
{
    SOLVANE_TRACE("[%p]PopupSummary::ShowAt(%d, %d)", static_cast<void*>(this), position.x, position.y);
    Move(position);
    StartTime();
    ShowWithoutActivating();
}

void PopupSummary::StartTime()
{
    // As long as a pop-up stays.
    timer = std::make_unique<wxTimer>(this);
    timer->StartOnce(static_cast<int>(PopupDialog::DurationSeconds() * 1000));
}

void PopupSummary::Detach()
{
    onClick = nullptr;
    onClosed = nullptr;
}

void PopupSummary::OnTimer(wxTimerEvent&)
{
    SOLVANE_TRACE("[%p]PopupSummary::OnTimer(void)", static_cast<void*>(this));
    timer.reset();
    Hide();
    if (const std::function<void()> closed = std::move(onClosed))
        closed();
    Destroy();
}

void PopupSummary::OnClick(wxMouseEvent&)
{
    SOLVANE_TRACE("[%p]PopupSummary::OnClick(void)", static_cast<void*>(this));
    // Not passed on: the summary stays its time, as a pop-up does after a click.
    if (onClick)
        onClick();
}
