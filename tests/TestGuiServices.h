// Stands in for the GUI's services while it lives: each call goes to a function the test sets.
#pragma once

#include "util/GuiServices.h"

#include <functional>
#include <utility>

class TestGuiServices : public GuiServices
{
public:
    using FailureShower = std::function<void(const wxString& caption, const wxString& message,
                                             std::function<bool()> waited, std::function<void()> closed)>;

    TestGuiServices() { GuiServices::Install(this); }
    ~TestGuiServices() override { GuiServices::Install(nullptr); }

    void ShowServerFailure(const wxString& caption, const wxString& message, std::function<bool()> waited,
                           std::function<void()> closed) override
    {
        if (showServerFailure)
            showServerFailure(caption, message, std::move(waited), std::move(closed));
        else
            closed();
    }
    bool Confirm(const wxString& caption, const wxString& message, std::function<bool()>) override
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

    FailureShower showServerFailure;
    std::function<bool(const wxString& caption, const wxString& message)> confirm;
    std::function<void()> requestExit;
    std::function<bool(const wxString&)> openDefaultBrowser;
};
