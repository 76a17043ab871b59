// A module for the host's tests of its exit: a main window with the toolkit's native message box
// over it (as a logged error shows one), which runs GTK's own loop rather than the toolkit's.
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/msgdlg.h>

#include <cstdio>

extern "C" __attribute__((visibility("default"))) bool SiteRun()
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Native box module");
    frame->Show();
    wxTheApp->CallAfter([frame] {
        wxMessageBox("A native box", "Native", wxOK, frame);
        if (std::FILE* file = std::fopen("box-was-answered", "w"))
            std::fclose(file);
    });
    return true;
}

extern "C" __attribute__((visibility("default"))) void* GetNewPluginFileName()
{
    return nullptr;
}
