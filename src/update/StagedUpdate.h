// An update waiting beside the program: the downloaded files under their pending names, the signed
// release statement that vouches for them, and the person's approval. The module stages it; the
// host checks it again before anything of it is installed or loaded.
#pragma once

#include "update/ReleaseStatement.h"
#include "update/UpdateFileNames.h"

#include <wx/filename.h>
#include <wx/string.h>

#include <string>
#include <vector>

class StagedUpdate
{
public:
    StagedUpdate(const wxFileName& executable, const wxString& modulePath);

    const wxString& GetModulePath() const { return modulePath; }
    const std::vector<SideFileName>& GetSideFiles() const { return sideFiles; }
    wxString StatementPath() const { return modulePath + ".statement"; }
    wxString SignaturePath() const { return modulePath + ".statement.sig"; }
    wxString ApprovalPath() const { return modulePath + ".approved"; }
    /// The list of modules once put aside (their SHA-256, one a line): never installed again.
    wxString RefusedListPath() const { return modulePath + ".refused"; }

    /// Keeps the statement and its signature beside the pending files, each written whole.
    bool SaveStatement(const std::string& statement, const std::string& signature) const;
    /// Records the person's "Yes" for the saved statement, and for no other.
    bool Approve() const;

    /// True when a statement is saved, signed by one of keys, names this product and carries the
    /// approval; it is read into statement. False with the reason otherwise.
    bool CheckStatement(const std::vector<std::string>& keys, ReleaseStatement& statement, wxString* why) const;
    /// CheckStatement, and the statement vouches for the pending module as it is on disk, a module
    /// never put aside before.
    bool Check(const std::vector<std::string>& keys, ReleaseStatement& statement, wxString* why) const;
    /// True when the pending copy of the side file has the size and SHA-256 the statement gives.
    bool IsSideFileVouchedFor(const SideFileName& side, const ReleaseStatement& statement) const;
    /// The one rule for every file of an update, the module's check before the question and the
    /// host's before the install alike: path is a file of its own (no link) with exactly the
    /// size and SHA-256 that file gives; false when file is null.
    static bool IsVouchedFor(const ReleaseFile* file, const wxString& path);

    /// Deletes the statement, its signature, the approval, every pending file and every part of one.
    void Discard() const;
    /// Deletes the parts of pending files that a transfer cut off (the program killed meanwhile)
    /// left behind; at start, before anything is fetched.
    void RemovePartialDownloads() const;
    /// Deletes the statement, its signature and the approval: what is left pending is unverified.
    void DiscardStatement() const;

    bool IsRefused(const std::string& sha256) const;
    void Refuse(const std::string& sha256) const;

    /// Writes bytes to path whole or not at all (a crash leaves the old bytes or the new ones); a
    /// link at path is replaced, never written through.
    static bool WriteWhole(const wxString& path, const std::string& bytes);
    /// The whole file, or false when it can not be read, is a link or is longer than limit.
    static bool ReadWhole(const wxString& path, std::string& bytes, size_t limit);

private:
    wxString modulePath;
    std::vector<SideFileName> sideFiles;
};
