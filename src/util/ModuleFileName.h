// The one rule that names the module after its host; the host and the update both follow it.
#pragma once

#include <wx/dynlib.h>
#include <wx/filename.h>

/// The module beside a host executable: the host's name with the shared-library extension
/// (".so" here, ".dll" on Windows), so that the update's file names work unchanged.
inline wxFileName ModuleFileNameFor(wxFileName executable)
{
    if (executable.IsOk())
        executable.SetExt(wxDynamicLibrary::GetDllExt(wxDL_MODULE).Mid(1));
    return executable;
}
