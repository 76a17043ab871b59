// The concrete site, created by the toolkit's module mechanism when the module loads.
#pragma once

#include "site/Site.h"

#include <wx/module.h>

class TaveloSite : public Site, public wxModule
{
public:
    TaveloSite();
    ~TaveloSite() override;

    int UpdateUserList() override;
    bool OnInit() override;
    void OnExit() override;

    /// Called by OnExit to release what the GUI library holds (the skin store).
    static void SetExitHook(void (*hook)());

private:
    static void (*exitHook)();

    wxDECLARE_DYNAMIC_CLASS(TaveloSite);
};
