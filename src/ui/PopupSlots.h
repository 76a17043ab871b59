// What a pop-up tells whoever keeps its place in the column: its picture has come, and it goes.
#pragma once

class PopupDialog;

class PopupSlots
{
public:
    /// From a pop-up whose picture is there: it is placed and shown.
    virtual void OnPopupReady(PopupDialog* popup) = 0;
    /// From a pop-up that goes; startNext false while the program closes.
    virtual void OnPopupClosed(PopupDialog* popup, bool startNext) = 0;

protected:
    // A pop-up never owns its slots' keeper.
    ~PopupSlots() = default;
};
