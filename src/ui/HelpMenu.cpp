// The main window's "&Help" menu: what the program is, and its manual.
#include "ui/HelpMenu.h"

#include "util/Version.h"

#include <wx/aboutdlg.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/menu.h>

namespace
{
const char kWebPage[] = "https://solvane.example.org/";

// The file of that name in share/doc/solvane of the tree above programDir (an installed host
// lives in lib/ARCH/solvane or lib/solvane); empty for a build that is not installed.
wxString FindDoc(const wxString& programDir, const wxString& name)
{
    wxFileName folder = wxFileName::DirName(programDir);
    for (int up = 0; up < 4 && folder.GetDirCount() > 0; ++up)
    {
        folder.RemoveLastDir();
        const wxFileName installed(folder.GetPath() + "/share/doc/solvane", name);
        if (installed.FileExists())
            return installed.GetFullPath();
    }
    return wxString();
}
} // namespace

wxMenu* NewHelpMenu()
{
    auto* menu = new wxMenu;
    menu->Append(ID_MANUAL, _("&Manual"));
    menu->AppendSeparator();
    menu->Append(wxID_ABOUT, _("&About"));
    return menu;
}

void ShowAboutBox(wxWindow* parent, const wxString& programDir)
{
    wxAboutDialogInfo info;
    info.SetName("Solvane");
    info.SetVersion(CurrentVersion.ToString());
    info.SetDescription(_("Shows who is online on the site and pops up when somebody comes online."));
    info.SetWebSite(kWebPage);
    info.SetCopyright(_("Copyright 2026 Solvane team"));
    // The licence as the package states it; a build that is not installed says where it is.
    wxString licence;
    const wxString copyright = FindDoc(programDir, "copyright");
    wxFFile file;
    if (copyright.empty() || !file.Open(copyright, "r") || !file.ReadAll(&licence, wxConvUTF8))
        licence = _("See the file copyright that comes with the program.");
    info.SetLicence(licence);
    wxAboutBox(info, parent);
}

wxString FindManual(const wxString& programDir)
{
    return FindDoc(programDir, "README.md");
}

wxString ManualAddress(const wxString& programDir)
{
    const wxString readme = FindManual(programDir);
    return readme.empty() ? wxString(kWebPage) : wxFileName(readme).GetFullPath().Prepend("file://");
}
