// The program in Japanese as a person sees it: the pop-up's bar, the splash, the update box's
// buttons, the pause's weekday, and every tab of the main window whole at its first size.
#include "ui/PopupDialog.h"
#include "ui/SplashPicture.h"
#include "util/Translations.h"
#include "util/Version.h"

#include "WindowTest.h"

#include <wx/button.h>
#include <wx/notebook.h>
#include <wx/generic/msgdlgg.h>

#include <gtk/gtk.h>

namespace
{
using JapaneseTest = WindowTest;

// The update box's buttons, made without showing it; GTK draws its stock label on each.
struct UpdateBox : wxGenericMessageDialog
{
    UpdateBox() : wxGenericMessageDialog(nullptr, "?", "?", wxYES_NO | wxDIALOG_NO_PARENT) { DoCreateMsgdialog(); }
    wxString Shown(int id) const
    {
        std::string text;
        gtk_container_foreach(GTK_CONTAINER(FindWindow(id)->GetHandle()), Collect, &text);
        return wxString::FromUTF8(text);
    }
    static void Collect(GtkWidget* widget, gpointer text)
    {
        if (GTK_IS_LABEL(widget))
            *static_cast<std::string*>(text) += gtk_label_get_text(GTK_LABEL(widget));
        else if (GTK_IS_CONTAINER(widget))
            gtk_container_foreach(GTK_CONTAINER(widget), Collect, text);
    }
};
} // namespace

TEST_F(JapaneseTest, TheWordsShownComeFromTheCatalogues)
{
    SetUpTranslations(SOLVANE_OUTPUT_DIR); // as the host does, from the test's LANG
    const UpdateBox box;
    const std::vector<SkinText> splash = SplashTexts();
    const std::pair<wxString, std::string> shown[] = {
        {PopupDialog::StripText(POPUP_ONLINE).text, "オンライン"},
        {PopupDialog::StripText(POPUP_FREE).text, "いま空いています"},
        {splash.at(0).text, "配信開始をすぐにお知らせ"},
        {splash.at(1).text, "ライブ"},
        {splash.at(2).text, "起動中…"},
        {splash.at(3).text, "バージョン " + CurrentVersion.ToString().utf8_string()},
        {box.Shown(wxID_YES), "はい(Y)"}, // GTK's own catalogue
        {box.Shown(wxID_NO), "いいえ(N)"},
        {wxDateTime(1, wxDateTime::Dec, 2026, 6, 0).Format("%a %H:%M"), "火 06:00"}, // the pause's end
    };
    for (const auto& [text, japanese] : shown)
        EXPECT_EQ(japanese, text.utf8_string());
}

TEST_F(JapaneseTest, EveryTabShowsWholeAtTheFirstSize)
{
    // Larger letters, as a person who reads large has them: the tabs need more than 240 pixels.
    GtkCssProvider* large = gtk_css_provider_new();
    gtk_css_provider_load_from_data(large, "notebook tab label { font-size: 15px; }", -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(large),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    SetUpTranslations(SOLVANE_OUTPUT_DIR);
    MainFrame* main = Open();
    GtkNotebook* tabs = GTK_NOTEBOOK(main->GetNotebook()->GetHandle());
    // GTK hides the tabs that do not fit behind its arrows, and squeezes a label it cuts short.
    const auto whole = [&] {
        GtkAllocation all, at;
        gtk_widget_get_allocation(GTK_WIDGET(tabs), &all);
        for (int page = 0; page < gtk_notebook_get_n_pages(tabs); ++page)
        {
            GtkWidget* label = gtk_notebook_get_tab_label(tabs, gtk_notebook_get_nth_page(tabs, page));
            gtk_widget_get_allocation(label, &at);
            int least = 0, natural = 0;
            gtk_widget_get_preferred_width(label, &least, &natural);
            if (!gtk_widget_get_mapped(label) || at.width < natural || at.x + at.width > all.x + all.width)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(PumpUntil([&] { return main->IsShownOnScreen() && whole(); }));
    ExitBy([&] { wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); });
    gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(large));
    g_object_unref(large);
}
