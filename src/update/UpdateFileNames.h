// The names of the files an update replaces beside the host; the module and the host share them.
#pragma once

#include <wx/filename.h>
#include <wx/string.h>

#include <vector>

/// A file waiting to replace path: the full name followed by ".new".
inline wxString PendingFileName(const wxString& path)
{
    return path + ".new";
}

/// One file that comes with a module: its kind ("skin", "mo" or "manifest", as the update service
/// and the traces name it) and its full name.
struct SideFileName
{
    wxString kind;
    wxString path;
};

/// The skin archive, the message catalogue and the application manifest of a host executable,
/// in the order in which they are installed and fetched.
inline std::vector<SideFileName> SideFileNamesFor(const wxFileName& executable)
{
    wxFileName skin(executable);
    skin.SetExt("skin");
    const wxString folder = executable.GetPath(wxPATH_GET_VOLUME | wxPATH_GET_SEPARATOR);
    return {{"skin", skin.GetFullPath()},
            {"mo", folder + "ja/LC_MESSAGES/" + executable.GetName() + ".mo"},
            {"manifest", executable.GetFullPath() + ".manifest"}};
}
