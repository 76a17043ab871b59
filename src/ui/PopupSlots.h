// What a pop-up tells whoever keeps its place in the column: its picture has come, and it goes.
#pragma once

class PopupDialog;
class wxCommandEvent;

class PopupSlots
{
public:
    /// From a pop-up whose picture is there: it is placed and shown.
    virtual void OnPopupReady(PopupDialog* popup) = 0;
    /// From a pop-up that goes; startNext false while the program closes.
    virtual void OnPopupClosed(PopupDialog* popup, bool startNext) = 0;
    /// A command of the main window's menu chosen from a pop-up's (the pause items).
    virtual void OnPopupCommand(wxCommandEvent& event) = 0;

protected:
    // A pop-up never owns its slots' keeper.
    ~PopupSlots() = default;
};
