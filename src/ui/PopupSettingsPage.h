// The settings dialog's "Pop-ups" page: how many pop-ups come, when none come, how they are shown,
// and the performers who always or never pop up.
#pragma once

#include <wx/arrstr.h>
#include <wx/panel.h>

class wxButton;
class wxCheckBox;
class wxKeyEvent;
class wxListBox;
class wxRadioButton;
class wxSpinCtrl;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;

/// "HH:MM" (or "H:MM") of a time of day, 00:00 to 23:59, as two-digit "HH:MM"; empty when text is
/// not one.
wxString NormalTimeOfDay(const wxString& text);

class PopupSettingsPage : public wxPanel
{
public:
    /// Filled from the stored settings.
    explicit PopupSettingsPage(wxWindow* parent);

    /// Stores every value of the page; a performer taken off a list is taken off the stored one, so that a
    /// choice made elsewhere meanwhile stays.
    void WriteValues();
    /// False while a field holds what can not be stored (a time that is not one).
    bool IsValid() const;

    /// The fields, for the tests that type into them.
    wxSpinCtrl* GetPerMinuteSpin() const { return perMinuteSpin; }
    wxSpinCtrl* GetFlapSpin() const { return flapSpin; }
    wxCheckBox* GetQuietCheck() const { return quietCheck; }
    wxTextCtrl* GetQuietFromText() const { return quietFromText; }
    wxTextCtrl* GetQuietToText() const { return quietToText; }
    wxStaticText* GetQuietMessage() const { return quietMessage; }
    wxCheckBox* GetNotFullScreenCheck() const { return notFullScreenCheck; }
    /// The style's choices in the order own, desktop, automatic.
    wxRadioButton* GetStyleRadio(int index) const { return styleRadio[index]; }
    wxListBox* GetAlwaysList() const { return alwaysList; }
    wxListBox* GetNeverList() const { return neverList; }
    wxButton* GetRemoveButton() const { return removeButton; }

    void OnQuietText(wxCommandEvent& event);
    void OnListSelected(wxCommandEvent& event);
    void OnRemove(wxCommandEvent& event);
    void OnListKey(wxKeyEvent& event);

private:
    void DoLayout();
    void ReadValues();
    /// Marks the time fields and says how to write a time while one is wrong.
    void MarkTimes();
    /// The list whose name is selected, or null.
    wxListBox* SelectedList() const;
    /// Takes the selected name off list (null: none), to be taken off the stored list on "OK".
    void RemoveSelected(wxListBox* list);

    wxStaticBox* fewerBox;
    wxStaticText* perMinuteLabel;
    wxSpinCtrl* perMinuteSpin;
    wxStaticText* flapLabel;
    wxSpinCtrl* flapSpin;
    wxCheckBox* quietCheck;
    wxTextCtrl* quietFromText;
    wxStaticText* quietToLabel;
    wxTextCtrl* quietToText;
    wxStaticText* quietMessage;
    wxCheckBox* notFullScreenCheck;
    wxStaticBox* styleBox;
    wxRadioButton* styleRadio[3];
    wxStaticBox* performersBox;
    wxStaticText* alwaysLabel;
    wxListBox* alwaysList;
    wxStaticText* neverLabel;
    wxListBox* neverList;
    wxButton* removeButton;

    wxColour normalBackground;
    wxColour normalForeground;
    // Names taken off each list since the dialog opened.
    wxArrayString removedAlways;
    wxArrayString removedNever;
};
