// The one pop-up that tells how many more came than were shown, in the pop-ups' column.
//
// The manager keeps at most one. It is skinned like a pop-up and takes a slot of the column;
// a new count changes its text in place and its time starts again, so a busy site keeps one
// window up instead of opening one per count. A click on it runs the manager's callback (the
// main window's History page). It destroys itself the pop-ups' duration after its last update.
#pragma once

#include <wx/bmpbndl.h>
#include <wx/dialog.h>
#include <wx/timer.h>

#include <functional>
#include <memory>

class wxPanel;
class wxStaticText;

class PopupSummary : public wxDialog
{
public:
    /// slot: its place in the column, kept by the manager. onClick runs on a click; onClosed
    /// when its time is up, just before it goes.
    PopupSummary(int slot, std::function<void()> onClick, std::function<void()> onClosed);
    ~PopupSummary() override;

    /// Shows text instead of the one shown, and starts the time again.
    void SetText(const wxString& text);
    wxString GetText() const;
    int GetSlot() const { return slot; }
    /// Moves it to position and shows it without taking the focus.
    void ShowAt(const wxPoint& position);
    /// The manager is going: no callback runs any more.
    void Detach();

    void OnTimer(wxTimerEvent& event);
    void OnClick(wxMouseEvent& event);

private:
    void StartTime();

    int slot;
    std::function<void()> onClick;
    std::function<void()> onClosed;
    std::unique_ptr<wxTimer> timer;
    wxString shownText; // as given, before the label wraps it
    // The label waits for the end of the turn: set it and wrap it then.
    bool labelDue = false;
    void ApplyText();
    wxBitmapBundle contentBitmap;
    wxPanel* contentPanel;
    wxStaticText* countLabel;
};
