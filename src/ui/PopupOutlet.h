// Where a pop-up goes when it is not one of the program's own windows: the desktop's
// notifications, say. The pop-up manager decides what is shown and when; an outlet only shows.
#pragma once

#include "model/PopupRules.h"
#include "model/User.h"

#include <wx/string.h>

#include <functional>

class PopupOutlet
{
public:
    virtual ~PopupOutlet() = default;

    /// Announces that user came online (POPUP_ONLINE) or is free now (POPUP_FREE), with her
    /// picture once it has been fetched. Opening her page and "Never pop up" are the outlet's own.
    virtual void Show(const User& user, PopupKind kind) = 0;
    /// Shows the one summary of what the cap held back ("12 more came online"), replacing the
    /// previous summary while that is still up; onClick runs when the person clicks it.
    virtual void ShowSummary(const wxString& text, std::function<void()> onClick) = 0;
};
