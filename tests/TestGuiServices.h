// Stands in for the GUI's services while it lives: each call goes to a function the test sets.
#pragma once

#include "util/GuiServices.h"

#include <functional>

class TestGuiServices : public GuiServices
{
public:
    TestGuiServices() { GuiServices::Install(this); }
    ~TestGuiServices() override { GuiServices::Install(nullptr); }

    bool ShowServerFailure(const wxString& caption, const wxString& message, const StopToken& stop) override
    {
        return !showServerFailure || showServerFailure(caption, message, stop);
    }
    bool Confirm(const wxString& caption, const wxString& message, const StopToken&) override
    {
        return confirm && confirm(caption, message);
    }
    void RequestExit() override
    {
        if (requestExit)
            requestExit();
    }
    bool OpenDefaultBrowser(const wxString& url) override { return openDefaultBrowser && openDefaultBrowser(url); }
    void Release() override {}

    std::function<bool(const wxString& caption, const wxString& message, const StopToken& stop)> showServerFailure;
    std::function<bool(const wxString& caption, const wxString& message)> confirm;
    std::function<void()> requestExit;
    std::function<bool(const wxString&)> openDefaultBrowser;
};
