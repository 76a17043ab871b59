// The yardstick of the program's footprint: a bare toolkit frame holding the given names (one a
// line, from the file named first) in a tree like the All page's, and doing nothing else.
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/treectrl.h>

#include <fstream>
#include <string>

namespace
{
class BareTreeApp : public wxApp
{
public:
    bool OnInit() override
    {
        if (argc < 2)
            return false;
        auto* frame = new wxFrame(nullptr, wxID_ANY, "Bare tree", wxDefaultPosition, wxSize(240, 480));
        auto* tree = new wxTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                    wxSUNKEN_BORDER | wxTR_HIDE_ROOT | wxTR_LINES_AT_ROOT | wxTR_NO_LINES |
                                        wxTR_HAS_BUTTONS);
        const wxTreeItemId group = tree->AppendItem(tree->AddRoot(""), "Online");
        std::ifstream names(argv[1].utf8_string());
        size_t count = 0;
        for (std::string name; std::getline(names, name); ++count)
            tree->AppendItem(group, wxString::FromUTF8(name));
        tree->SetItemText(group, wxString::Format("Online (%zu)", count));
        tree->Expand(group);
        frame->Show();
        return true;
    }
};
} // namespace

wxIMPLEMENT_APP(BareTreeApp);
