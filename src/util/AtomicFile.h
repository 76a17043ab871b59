// Files replaced whole or not at all: after a full disk, a crash, kill -9 or a power cut a file
// the program writes holds either its old content or its new one, never part of it.
//
// Usage:
//   AtomicFile file(path);                     // a temporary file beside path, mode 0600
//   if (!file.Write(data, size) || !file.Commit())
//       report(file.GetError());               // path is as it was; the temporary file is gone
//
//   wxString error;
//   if (!AtomicFile::WriteAll(path, bytes, error)) ...
//
// The new content goes to a temporary file in the same folder, is flushed to the disk (fsync)
// and renamed over the file in one step; the folder is synced after it. When path is a symbolic
// link, the file it leads to is replaced and the link stays, unless the caller asks for the link
// itself to be replaced (files that nobody but the program may choose the place of).
#pragma once

#include <wx/string.h>

#include <string>
#include <sys/types.h>

class AtomicFile
{
public:
    /// What becomes of a symbolic link at path: the file it leads to gets the new content, or
    /// the link itself is replaced by the new file and whatever it led to is left alone.
    enum class Links
    {
        Follow,
        Replace
    };

    /// Creates the temporary file beside path (or beside the file a link at path leads to), with
    /// the given mode; a failure shows in GetError and in every later call.
    explicit AtomicFile(const wxString& path, mode_t mode = 0600, Links links = Links::Follow);
    /// Without a successful Commit, the temporary file is removed and path stays as it was.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    /// Appends bytes to the new content; false when they could not all be written.
    bool Write(const void* data, size_t size);
    /// Puts the new content in place of the file; false when any step failed (the file is then
    /// as it was).
    bool Commit();
    /// The reason of the first failure, empty while all went well.
    const wxString& GetError() const { return error; }
    /// The file that gets the new content: the end of path's chain of symbolic links.
    const wxString& GetTarget() const { return target; }

    /// The content of path replaced by bytes in one call; false with the reason in error.
    static bool WriteAll(const wxString& path, const std::string& bytes, wxString& error, mode_t mode = 0600,
                         Links links = Links::Follow);
    /// The end of path's chain of symbolic links (which need not exist yet); path itself when it
    /// is no link.
    static wxString ResolveLinks(const wxString& path);

private:
    bool Fail(const wxString& what);
    void Discard();

    wxString target;
    wxString temporary;
    int descriptor = -1;
    bool committed = false;
    wxString error;
};
