// The main window's "&Help" menu: what the program is, and its manual.
#pragma once

#include <wx/string.h>

class wxMenu;
class wxWindow;

enum
{
    ID_MANUAL = 6030
};

/// "&Manual" and "&About" (wxID_ABOUT).
wxMenu* NewHelpMenu();

/// The program's name, version, what it does, its web page and its licence, as the package
/// installed them beside the program (programDir: the folder of the host).
void ShowAboutBox(wxWindow* parent, const wxString& programDir);

/// Where the manual is for a program in programDir: the README the package installed in
/// share/doc/solvane of the same tree; empty for a build that is not installed.
wxString FindManual(const wxString& programDir);
/// What "&Manual" opens: that README, or the program's web page when there is none.
wxString ManualAddress(const wxString& programDir);
