// The settings dialog's "Pop-ups" page: how many pop-ups come, when none come, how they are shown,
// and the performers who always or never pop up.
#include "ui/PopupSettingsPage.h"

#include "model/PopupChoice.h"
#include "model/PopupGate.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/intl.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace
{
const char* const kStyles[] = {SettingsKeys::kPopupStyleOwn, SettingsKeys::kPopupStyleDesktop,
                               SettingsKeys::kPopupStyleAuto};
// A marked field: the light red of a form's error, as the dialog marks a bad server.
const wxColour kBadBackground(255, 204, 204);
// The text saying what is wrong: a dark red, readable on the dialog's light grey.
const wxColour kErrorText(176, 0, 32);

int Clamped(long value, long low, long high)
{
    return static_cast<int>(value < low ? low : value > high ? high : value);
}

wxSpinCtrl* NewSpin(wxWindow* parent, long low, long high, long initial)
{
    return new wxSpinCtrl(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                          static_cast<int>(low), static_cast<int>(high), static_cast<int>(initial));
}

// A label with its control at the right, as each number of the dialog is laid out.
wxSizer* LabelledRow(wxWindow* label, wxWindow* control)
{
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(label, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    row->Add(control, 0, 0, 0);
    return row;
}
wxString QuietError()
{
    return _("Not a time of day: write each time as HH:MM, for example 22:30.");
}
} // namespace

wxString NormalTimeOfDay(const wxString& text)
{
    // Read as the pop-ups read the stored value, blanks around it forgiven.
    const int minutes = PopupGate::ParseClockTime(wxString(text).Trim(true).Trim(false), -1);
    return minutes < 0 ? wxString() : wxString::Format("%02d:%02d", minutes / 60, minutes % 60);
}

PopupSettingsPage::PopupSettingsPage(wxWindow* parent) : wxPanel(parent, wxID_ANY)
{
    SOLVANE_TRACE("[%p]PopupSettingsPage::PopupSettingsPage(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    fewerBox = new wxStaticBox(this, wxID_ANY, _("Fewer pop-ups"));
    perMinuteLabel = new wxStaticText(this, wxID_ANY, _("At &most this many pop-ups a minute (0: no limit)"));
    perMinuteSpin = NewSpin(this, SettingsKeys::kPopupPerMinuteMin, SettingsKeys::kPopupPerMinuteMax,
                            SettingsKeys::kPopupPerMinuteDefault);
    flapLabel = new wxStaticText(this, wxID_ANY, _("No new pop-up for one &back within (seconds)"));
    flapSpin = NewSpin(this, SettingsKeys::kPopupFlapSecondsMin, SettingsKeys::kPopupFlapSecondsMax,
                       SettingsKeys::kPopupFlapSecondsDefault);
    // TRANSLATORS: followed by a time of day, then "to" and another: the quiet hours.
    quietCheck = new wxCheckBox(this, wxID_ANY, _("&Quiet hours, no pop-ups every day from"));
    quietFromText = new wxTextCtrl(this, wxID_ANY);
    // TRANSLATORS: between the two times of day of the quiet hours.
    quietToLabel = new wxStaticText(this, wxID_ANY, _("&to"));
    quietToText = new wxTextCtrl(this, wxID_ANY);
    // Made with the longer of its two texts, so that the page has room for either.
    quietMessage = new wxStaticText(this, wxID_ANY, QuietError());
    quietMessage->SetMinSize(quietMessage->GetBestSize());
    notFullScreenCheck = new wxCheckBox(this, wxID_ANY, _("Not while a window is full &screen"));

    styleBox = new wxStaticBox(this, wxID_ANY, _("Show pop-ups as"));
    styleRadio[0] = new wxRadioButton(this, wxID_ANY, _("The pro&gram's own windows"), wxDefaultPosition, wxDefaultSize,
                                      wxRB_GROUP);
    styleRadio[1] = new wxRadioButton(this, wxID_ANY, _("The des&ktop's notifications"));
    styleRadio[2] = new wxRadioButton(this, wxID_ANY, _("Automati&c: the desktop's notifications where it has them"));

    performersBox = new wxStaticBox(this, wxID_ANY, _("Performers"));
    alwaysLabel = new wxStaticText(this, wxID_ANY, _("&Always pop up"));
    alwaysList = new wxListBox(this, wxID_ANY);
    neverLabel = new wxStaticText(this, wxID_ANY, _("&Never pop up"));
    neverList = new wxListBox(this, wxID_ANY);
    removeButton = new wxButton(this, wxID_ANY, _("R&emove"));

    normalBackground = quietFromText->GetBackgroundColour();
    // "HH:MM" and a little room: the field need not stretch.
    const wxSize timeSize(quietFromText->GetTextExtent("00:00").x + FromDIP(40), -1);
    quietFromText->SetMinSize(timeSize);
    quietToText->SetMinSize(timeSize);
    normalForeground = quietMessage->GetForegroundColour();
    DoLayout();
    ReadValues();

    quietFromText->Bind(wxEVT_TEXT, &PopupSettingsPage::OnQuietText, this);
    quietToText->Bind(wxEVT_TEXT, &PopupSettingsPage::OnQuietText, this);
    for (wxListBox* list : {alwaysList, neverList})
    {
        list->Bind(wxEVT_LISTBOX, &PopupSettingsPage::OnListSelected, this);
        list->Bind(wxEVT_KEY_DOWN, &PopupSettingsPage::OnListKey, this);
    }
    removeButton->Bind(wxEVT_BUTTON, &PopupSettingsPage::OnRemove, this);
}

void PopupSettingsPage::DoLayout()
{
    auto* quietRow = new wxBoxSizer(wxHORIZONTAL);
    quietRow->Add(quietCheck, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    quietRow->Add(quietFromText, 0, wxALIGN_CENTER_VERTICAL, 0);
    quietRow->Add(quietToLabel, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 4);
    quietRow->Add(quietToText, 0, wxALIGN_CENTER_VERTICAL, 0);
    auto* fewerSizer = new wxStaticBoxSizer(fewerBox, wxVERTICAL);
    fewerSizer->Add(LabelledRow(perMinuteLabel, perMinuteSpin), 0, wxEXPAND | wxALL, 4);
    fewerSizer->Add(LabelledRow(flapLabel, flapSpin), 0, wxEXPAND | wxALL, 4);
    fewerSizer->Add(quietRow, 0, wxALL, 4);
    fewerSizer->Add(quietMessage, 0, wxLEFT | wxRIGHT, 4);
    fewerSizer->Add(notFullScreenCheck, 0, wxALL, 4);

    auto* styleSizer = new wxStaticBoxSizer(styleBox, wxVERTICAL);
    for (wxRadioButton* radio : styleRadio)
        styleSizer->Add(radio, 0, wxALL, 4);

    const int listHeight = FromDIP(90);
    auto* lists = new wxFlexGridSizer(2, 2, 2, 8);
    lists->Add(alwaysLabel, 0, 0, 0);
    lists->Add(neverLabel, 0, 0, 0);
    lists->Add(alwaysList, 1, wxEXPAND, 0);
    lists->Add(neverList, 1, wxEXPAND, 0);
    lists->AddGrowableCol(0, 1);
    lists->AddGrowableCol(1, 1);
    alwaysList->SetMinSize(wxSize(-1, listHeight));
    neverList->SetMinSize(wxSize(-1, listHeight));
    auto* performersSizer = new wxStaticBoxSizer(performersBox, wxVERTICAL);
    performersSizer->Add(lists, 1, wxEXPAND | wxALL, 4);
    performersSizer->Add(removeButton, 0, wxALL | wxALIGN_RIGHT, 4);

    auto* pageSizer = new wxBoxSizer(wxVERTICAL);
    pageSizer->Add(fewerSizer, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    pageSizer->Add(styleSizer, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    pageSizer->Add(performersSizer, 1, wxEXPAND | wxALL, 8);
    SetSizer(pageSizer);
}

void PopupSettingsPage::ReadValues()
{
    using namespace SettingsKeys;
    perMinuteSpin->SetValue(
        Clamped(Settings::ReadLong(kPopupPerMinute, kPopupPerMinuteDefault), kPopupPerMinuteMin, kPopupPerMinuteMax));
    flapSpin->SetValue(Clamped(Settings::ReadLong(kPopupFlapSeconds, kPopupFlapSecondsDefault), kPopupFlapSecondsMin,
                               kPopupFlapSecondsMax));
    quietCheck->SetValue(Settings::ReadBool(kPopupQuietHours, kPopupQuietHoursDefault));
    // A hand-edited time that is not one is shown as it is, marked, rather than put right unseen.
    quietFromText->ChangeValue(Settings::ReadString(kPopupQuietFrom, kPopupQuietFromDefault));
    quietToText->ChangeValue(Settings::ReadString(kPopupQuietTo, kPopupQuietToDefault));
    MarkTimes();
    notFullScreenCheck->SetValue(Settings::ReadBool(kPopupNotFullScreen, kPopupNotFullScreenDefault));
    const wxString style = Settings::ReadString(kPopupStyle, kPopupStyleDefault);
    int chosen = 2;
    for (int i = 0; i < 3; ++i)
        chosen = style == kStyles[i] ? i : chosen;
    styleRadio[chosen]->SetValue(true);
    alwaysList->Set(NamesOf(Settings::ReadString(kPopupAlways, wxEmptyString)));
    neverList->Set(NamesOf(Settings::ReadString(kPopupNever, wxEmptyString)));
    removeButton->Enable(false);
}

void PopupSettingsPage::WriteValues()
{
    SOLVANE_TRACE("[%p]PopupSettingsPage::WriteValues(void)", static_cast<void*>(this));
    using namespace SettingsKeys;
    Settings::WriteLong(kPopupPerMinute, perMinuteSpin->GetValue());
    Settings::WriteLong(kPopupFlapSeconds, flapSpin->GetValue());
    Settings::WriteBool(kPopupQuietHours, quietCheck->GetValue());
    Settings::WriteString(kPopupQuietFrom, NormalTimeOfDay(quietFromText->GetValue()));
    Settings::WriteString(kPopupQuietTo, NormalTimeOfDay(quietToText->GetValue()));
    Settings::WriteBool(kPopupNotFullScreen, notFullScreenCheck->GetValue());
    for (int i = 0; i < 3; ++i)
    {
        if (styleRadio[i]->GetValue())
            Settings::WriteString(kPopupStyle, kStyles[i]);
    }
    for (const wxString& name : removedAlways)
        Settings::WriteString(kPopupAlways, WithoutName(Settings::ReadString(kPopupAlways, wxEmptyString), name));
    for (const wxString& name : removedNever)
        Settings::WriteString(kPopupNever, WithoutName(Settings::ReadString(kPopupNever, wxEmptyString), name));
}

bool PopupSettingsPage::IsValid() const
{
    return !NormalTimeOfDay(quietFromText->GetValue()).empty() && !NormalTimeOfDay(quietToText->GetValue()).empty();
}

void PopupSettingsPage::MarkTimes()
{
    bool allValid = true;
    for (wxTextCtrl* text : {quietFromText, quietToText})
    {
        const bool valid = !NormalTimeOfDay(text->GetValue()).empty();
        text->SetBackgroundColour(valid ? normalBackground : kBadBackground);
        text->Refresh();
        allValid = allValid && valid;
    }
    // The hint stays under the times; while one is wrong it says so, in red.
    const wxString message = allValid ? _("Times as HH:MM, for example 22:30") : QuietError();
    if (quietMessage->GetLabel() != message)
    {
        quietMessage->SetLabel(message);
        quietMessage->SetForegroundColour(allValid ? normalForeground : kErrorText);
        Layout();
    }
}

void PopupSettingsPage::OnQuietText(wxCommandEvent& event)
{
    MarkTimes();
    // On to the dialog, which enables "OK" by what it and this page hold.
    event.Skip();
}

wxListBox* PopupSettingsPage::SelectedList() const
{
    if (alwaysList->GetSelection() != wxNOT_FOUND)
        return alwaysList;
    if (neverList->GetSelection() != wxNOT_FOUND)
        return neverList;
    return nullptr;
}

void PopupSettingsPage::OnListSelected(wxCommandEvent& event)
{
    // One name selected in both lists at most: "Remove" takes that one.
    wxListBox* other = event.GetEventObject() == alwaysList ? neverList : alwaysList;
    if (event.GetSelection() != wxNOT_FOUND)
        other->SetSelection(wxNOT_FOUND);
    removeButton->Enable(SelectedList() != nullptr);
}

void PopupSettingsPage::OnRemove(wxCommandEvent& WXUNUSED(event))
{
    RemoveSelected(SelectedList());
}

void PopupSettingsPage::RemoveSelected(wxListBox* list)
{
    const int index = list ? list->GetSelection() : wxNOT_FOUND;
    if (index == wxNOT_FOUND)
        return;
    SOLVANE_TRACE("[%p]PopupSettingsPage::RemoveSelected(%s)", static_cast<void*>(this), list->GetString(index));
    (list == alwaysList ? removedAlways : removedNever).Add(list->GetString(index));
    list->Delete(static_cast<unsigned int>(index));
    // The next name is selected, so that names can be removed one after another.
    if (list->GetCount() > 0)
        list->SetSelection(std::min(index, static_cast<int>(list->GetCount()) - 1));
    removeButton->Enable(SelectedList() != nullptr);
}

void PopupSettingsPage::OnListKey(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_DELETE || event.GetKeyCode() == WXK_NUMPAD_DELETE)
        RemoveSelected(dynamic_cast<wxListBox*>(event.GetEventObject()));
    else
        event.Skip();
}
