// Files for the tests: a private folder that goes with all it holds, whole files read and written
// as bytes, and the host's path as the module finds it.
#pragma once

#include <wx/app.h>
#include <wx/filename.h>

#include <fstream>
#include <iterator>
#include <stdlib.h>
#include <string>

/// A file's bytes, or "(none)" when there is no file to read.
inline std::string ReadBytes(const wxString& path)
{
    std::ifstream file(path.fn_str(), std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

inline void WriteBytes(const wxString& path, const std::string& bytes)
{
    std::ofstream(path.fn_str(), std::ios::binary) << bytes;
}

/// A new folder under /tmp, removed with everything in it.
struct ScratchFolder
{
    ScratchFolder()
    {
        char name[] = "/tmp/solvane-test-XXXXXX";
        path = mkdtemp(name);
    }
    ~ScratchFolder() { wxFileName::Rmdir(path, wxPATH_RMDIR_RECURSIVE); }
    std::string Read(const wxString& name) const { return ReadBytes(path + "/" + name); }
    void Write(const wxString& name, const std::string& bytes) const { WriteBytes(path + "/" + name, bytes); }
    wxString path;
};

/// The host puts its own path in argv[0]; the module's file names follow it.
inline void SetHostPath(const wxString& path)
{
    const wchar_t* args[] = {path.wc_str()};
    wxAppConsole::GetInstance()->argv.Init(1, args);
}
