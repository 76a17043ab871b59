// The GUI's side of the core's one seam: message boxes, the exit command, the browser, the skin.
#pragma once

#include "util/GuiServices.h"

class ModuleGuiServices : public GuiServices
{
public:
    /// The module's one instance, alive as long as the module is loaded.
    static ModuleGuiServices& Instance();

    void ShowServerFailure(const wxString& caption, const wxString& message, std::function<bool()> waited,
                           std::function<void()> closed) override;
    bool Confirm(const wxString& caption, const wxString& message, std::function<bool()> stopped) override;
    void RequestExit() override;
    bool OpenDefaultBrowser(const wxString& url) override;
    void Release() override;
};
