// Files for the tests: a private folder that goes with all it holds, whole files read and written
// as bytes, the host's path as the module finds it, and the messages logged meanwhile.
#pragma once

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdlib.h>
#include <string>
#include <vector>

/// A file's bytes, or "(none)" when there is no file to read.
inline std::string ReadBytes(const wxString& path)
{
    std::ifstream file(path.fn_str(), std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

/// Writing "(none)" removes the file, as ReadBytes reads a missing one.
inline void WriteBytes(const wxString& path, const std::string& bytes)
{
    if (bytes == "(none)")
        std::remove(path.fn_str());
    else
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

/// The messages logged up to a level while it lives: in the program each error would be a box.
struct LogCapture : wxLog
{
    explicit LogCapture(wxLogLevel upTo = wxLOG_Max) : upTo(upTo), previous(wxLog::SetActiveTarget(this)) {}
    ~LogCapture() override { wxLog::SetActiveTarget(previous); }
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override
    {
        if (level <= upTo)
            logged.push_back(message);
    }
    const wxLogLevel upTo;
    wxLog* const previous;
    std::vector<wxString> logged;
};
