// The GUI's side of the core's one seam: message boxes, the exit command, the browser, the skin.
#pragma once

#include "util/GuiServices.h"

class ModuleGuiServices : public GuiServices
{
public:
    /// The module's one instance, alive as long as the module is loaded.
    static ModuleGuiServices& Instance();

    bool ShowServerFailure(const wxString& caption, const wxString& message, const StopToken& stop) override;
    bool Confirm(const wxString& caption, const wxString& message, const StopToken& stop) override;
    void RequestExit() override;
    bool OpenDefaultBrowser(const wxString& url) override;
    void Release() override;
};
