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
class JapaneseTest : public WindowTest
{
protected:
    static void SetUpTestSuite()
    {
        WindowTest::SetUpTestSuite();
        SetUpTranslations(SOLVANE_OUTPUT_DIR); // as the host does, from the test's LANG
    }
};

// The update box as the program makes it, its buttons made without showing it.
struct UpdateBox : wxGenericMessageDialog
{
    UpdateBox() : wxGenericMessageDialog(nullptr, "?", "?", wxYES_NO | wxDIALOG_NO_PARENT) { DoCreateMsgdialog(); }
    // What the button shows: GTK draws its own stock label in place of the toolkit's.
    std::string Label(int id) const
    {
        auto* button = wxDynamicCast(FindWindow(id), wxButton);
        return button ? Shown(static_cast<GtkWidget*>(button->GetHandle())) : std::string();
    }
    static std::string Shown(GtkWidget* widget)
    {
        if (GTK_IS_LABEL(widget))
            return gtk_label_get_text(GTK_LABEL(widget));
        std::string text;
        if (GTK_IS_CONTAINER(widget))
        {
            GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
            for (GList* child = children; child; child = child->next)
                text += Shown(static_cast<GtkWidget*>(child->data));
            g_list_free(children);
        }
        return text;
    }
};
} // namespace

TEST_F(JapaneseTest, TheWordsShownComeFromTheCatalogues)
{
    const UpdateBox box;
    const std::vector<SkinText> splash = SplashTexts();
    ASSERT_EQ(4u, splash.size());
    const wxDateTime tuesday(1, wxDateTime::Dec, 2026, 6, 0);
    const std::pair<wxString, std::string> shown[] = {
        {PopupDialog::StripText(POPUP_ONLINE).text, "オンライン"},
        {PopupDialog::StripText(POPUP_FREE).text, "いま空いています"},
        {splash[0].text, "配信開始をすぐにお知らせ"},
        {splash[1].text, "ライブ"},
        {splash[2].text, "起動中…"},
        {splash[3].text, "バージョン " + CurrentVersion.ToString().utf8_string()},
        {wxString::FromUTF8(box.Label(wxID_YES)), "はい(Y)"}, // GTK's own catalogue
        {wxString::FromUTF8(box.Label(wxID_NO)), "いいえ(N)"},
        {tuesday.Format("%a %H:%M"), "火 06:00"}, // the pause's end, in the menu and the tray
    };
    for (const auto& [text, japanese] : shown)
        EXPECT_EQ(japanese, text.utf8_string());

    // The words are on the picture: the skin's own splash has none where they go.
    const wxBitmapBundle plain = SkinImageStore::GetInstance()->GetBitmapBundle("SplashScreen_bitmap");
    const wxImage drawn = SplashPicture(plain, 1).ConvertToImage(),
                  before = plain.GetBitmap(wxSize(400, 250)).ConvertToImage();
    ASSERT_EQ(before.GetSize(), drawn.GetSize());
    int changed = 0;
    for (int x = 168; x < 300; ++x)
        changed += drawn.GetRed(x, 150) != before.GetRed(x, 150);
    EXPECT_GT(changed, 10);
}

TEST_F(JapaneseTest, EveryTabShowsWholeAtTheFirstSize)
{
    // Larger letters, as a person who reads large has them: the tabs need more than the default
    // width (240 pixels) then.
    GtkCssProvider* large = gtk_css_provider_new();
    gtk_css_provider_load_from_data(large, "notebook tab label { font-size: 15px; }", -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(large),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    MainFrame* main = Open();
    wxNotebook* notebook = main->GetNotebook();
    ASSERT_EQ("履歴", notebook->GetPageText(2).utf8_string());
    GtkNotebook* tabs = GTK_NOTEBOOK(notebook->GetHandle());
    // GTK hides the tabs that do not fit behind its arrows, and squeezes a label it cuts short.
    const auto whole = [&] {
        GtkAllocation all;
        gtk_widget_get_allocation(GTK_WIDGET(tabs), &all);
        for (int page = 0; page < gtk_notebook_get_n_pages(tabs); ++page)
        {
            GtkWidget* label = gtk_notebook_get_tab_label(tabs, gtk_notebook_get_nth_page(tabs, page));
            GtkAllocation at;
            gtk_widget_get_allocation(label, &at);
            int least = 0, natural = 0;
            gtk_widget_get_preferred_width(label, &least, &natural);
            if (!gtk_widget_get_mapped(label) || at.width < natural || at.x + at.width > all.x + all.width)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(PumpUntil([&] { return main->IsShownOnScreen() && whole(); })) << main->GetSize().x;
    ExitBy([&] { wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_EXIT)); });
    gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(large));
    g_object_unref(large);
}
