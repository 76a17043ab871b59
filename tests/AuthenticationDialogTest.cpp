// The account dialog as a person uses it: what it shows, what OK, Enter, Cancel and Escape store.
#include "ui/AuthenticationDialog.h"

#include "util/Settings.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/fileconf.h>
#include <wx/sstream.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <functional>
#include <vector>

namespace
{
enum class Action
{
    ClickOK,
    EnterInUsername,
    EnterInPassword,
    ClickCancel,
    Escape
};

template <typename T> std::vector<T*> ChildrenOf(wxWindow* parent)
{
    std::vector<T*> found;
    for (wxWindow* child : parent->GetChildren())
        if (auto* window = dynamic_cast<T*>(child))
            found.push_back(window);
    return found;
}

void ClickOn(wxUIActionSimulator& input, wxWindow* window)
{
    input.MouseMove(window->GetScreenRect().GetPosition() + window->GetSize() / 2);
    wxYield();
    input.MouseClick();
    wxYield();
}
} // namespace

TEST(AuthenticationDialog, ShowsTheStoreAndStoresBothFieldsOnlyOnOK)
{
    struct Step
    {
        const char* name;
        wxString shownId, shownPassword; // what the fields hold when the dialog opens
        wxString typedId, typedPassword; // what the person leaves in them
        Action action;
        int answer;
        wxString storedId, storedPassword;
    };
    // Each step starts from the store the one before left.
    const Step steps[] = {
        {"empty store, OK", "", "", "", "", Action::ClickOK, wxID_OK, "", ""},
        {"Enter in the password field", "", "", "anna", "p&ss #1%", Action::EnterInPassword, wxID_OK, "anna",
         "p&ss #1%"},
        {"Enter in the user field, one field changed", "anna", "p&ss #1%", "bert", "p&ss #1%",
         Action::EnterInUsername, wxID_OK, "bert", "p&ss #1%"},
        {"Cancel", "bert", "p&ss #1%", "carl", "x", Action::ClickCancel, wxID_CANCEL, "bert", "p&ss #1%"},
        {"Escape", "bert", "p&ss #1%", "dora", "y", Action::Escape, wxID_CANCEL, "bert", "p&ss #1%"},
    };
    // An empty store that no earlier run has written to, and that writes nothing to disk.
    wxStringInputStream nothing(wxEmptyString);
    delete wxConfigBase::Set(new wxFileConfig(nothing));
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.name);
        AuthenticationDialog dialog(nullptr, wxID_ANY, "Authentication");
        EXPECT_EQ("Authentication", dialog.GetTitle());
        const std::vector<wxTextCtrl*> fields = ChildrenOf<wxTextCtrl>(&dialog);
        const std::vector<wxButton*> buttons = ChildrenOf<wxButton>(&dialog);
        ASSERT_EQ(2u, fields.size());
        ASSERT_EQ(2u, buttons.size());
        EXPECT_FALSE(fields[0]->HasFlag(wxTE_PASSWORD));
        EXPECT_TRUE(fields[1]->HasFlag(wxTE_PASSWORD));
        EXPECT_EQ("OK", buttons[0]->GetLabel());
        EXPECT_EQ("Cancel", buttons[1]->GetLabel());

        // A dialog that a lost key press leaves open fails the step instead of hanging the test.
        wxTimer guard;
        guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dialog.EndModal(-1); });
        guard.StartOnce(10000);
        wxTheApp->CallAfter([&] {
            EXPECT_EQ(step.shownId, fields[0]->GetValue());
            EXPECT_EQ(step.shownPassword, fields[1]->GetValue());
            fields[0]->ChangeValue(step.typedId);
            fields[1]->ChangeValue(step.typedPassword);
            wxUIActionSimulator input;
            switch (step.action)
            {
            case Action::ClickOK:
                ClickOn(input, buttons[0]);
                break;
            case Action::ClickCancel:
                ClickOn(input, buttons[1]);
                break;
            case Action::EnterInUsername:
            case Action::EnterInPassword:
            case Action::Escape:
                ClickOn(input, fields[step.action == Action::EnterInPassword ? 1 : 0]);
                input.Char(step.action == Action::Escape ? WXK_ESCAPE : WXK_RETURN);
                break;
            }
        });
        EXPECT_EQ(step.answer, dialog.ShowModal());
        EXPECT_TRUE(Settings::HasEntry("/id"));
        EXPECT_EQ(step.storedId, Settings::ReadString("/id", "-"));
        EXPECT_EQ(step.storedPassword, Settings::ReadString("/password", "-"));
    }
}
