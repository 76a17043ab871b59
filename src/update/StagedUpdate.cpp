// An update waiting beside the program: the downloaded files under their pending names, the signed
// release statement that vouches for them, and the person's approval. The module stages it; the
// host checks it again before anything of it is installed or loaded.
#include "update/StagedUpdate.h"

#include "net/DownloadFile.h"
#include "update/UpdateSignature.h"
#include "util/AtomicFile.h"
#include "util/Trace.h"

#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Quietly, and a link goes itself: what it leads to stays.
void RemoveIfThere(const wxString& path)
{
    ::unlink(path.fn_str());
}

bool Fail(wxString* why, const wxString& reason)
{
    if (why)
        *why = reason;
    return false;
}
} // namespace

StagedUpdate::StagedUpdate(const wxFileName& executable, const wxString& modulePath_)
    : modulePath(modulePath_), sideFiles(SideFileNamesFor(executable))
{
    SOLVANE_TRACE("[%p]StagedUpdate::StagedUpdate(%s)", static_cast<void*>(this), modulePath);
}

bool StagedUpdate::WriteWhole(const wxString& path, const std::string& bytes)
{
    SOLVANE_TRACE("[static]StagedUpdate::WriteWhole(%s, %zu bytes)", path, bytes.size());
    wxString error;
    return AtomicFile::WriteAll(path, bytes, error, 0600, AtomicFile::Links::Replace);
}

bool StagedUpdate::ReadWhole(const wxString& path, std::string& bytes, size_t limit)
{
    bytes.clear();
    const int descriptor = ::open(path.fn_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    std::FILE* file = ::fdopen(descriptor, "rb");
    if (!file)
    {
        ::close(descriptor);
        return false;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0 && bytes.size() <= limit)
        bytes.append(buffer, got);
    const bool ok = !std::ferror(file) && bytes.size() <= limit;
    std::fclose(file);
    return ok;
}

bool StagedUpdate::SaveStatement(const std::string& statement, const std::string& signature) const
{
    SOLVANE_TRACE("[%p]StagedUpdate::SaveStatement(void)", static_cast<const void*>(this));
    return WriteWhole(StatementPath(), statement) && WriteWhole(SignaturePath(), signature);
}

bool StagedUpdate::Approve() const
{
    SOLVANE_TRACE("[%p]StagedUpdate::Approve(void)", static_cast<const void*>(this));
    std::string statement;
    return ReadWhole(StatementPath(), statement, ReleaseStatement::kMaxLength) &&
           WriteWhole(ApprovalPath(), UpdateSignature::Sha256(statement) + "\n");
}

bool StagedUpdate::CheckStatement(const std::vector<std::string>& keys, ReleaseStatement& statement,
                                  wxString* why) const
{
    SOLVANE_TRACE("[%p]StagedUpdate::CheckStatement(void)", static_cast<const void*>(this));
    std::string text, signature, approval;
    if (!ReadWhole(StatementPath(), text, ReleaseStatement::kMaxLength) ||
        !ReadWhole(SignaturePath(), signature, 1024))
        return Fail(why, "it has no release statement with a signature");
    if (!UpdateSignature::Verify(text, signature, keys))
        return Fail(why, "its release statement is not signed by the publisher");
    if (!statement.Parse(text, why))
        return false;
    if (statement.GetProduct() != ReleaseStatement::kProduct)
        return Fail(why, "its release statement is for another product");
    if (!ReadWhole(ApprovalPath(), approval, 1024) || approval != UpdateSignature::Sha256(text) + "\n")
        return Fail(why, "it was not approved");
    return true;
}

bool StagedUpdate::Check(const std::vector<std::string>& keys, ReleaseStatement& statement, wxString* why) const
{
    SOLVANE_TRACE("[%p]StagedUpdate::Check(void)", static_cast<const void*>(this));
    if (!CheckStatement(keys, statement, why))
        return false;
    const wxString pending = PendingFileName(modulePath);
    if (!IsVouchedFor(statement.Find("module"), pending))
        return Fail(why, "the module differs from the one its release statement describes");
    if (IsRefused(statement.Find("module")->sha256))
        return Fail(why, "this module was put aside before");
    return true;
}

bool StagedUpdate::IsSideFileVouchedFor(const SideFileName& side, const ReleaseStatement& statement) const
{
    return IsVouchedFor(statement.Find(side.kind), PendingFileName(side.path));
}

bool StagedUpdate::IsVouchedFor(const ReleaseFile* file, const wxString& path)
{
    // lstat: a link is refused, not measured through. The hash is taken last, over the bytes.
    struct stat info;
    return file && ::lstat(path.fn_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<long long>(info.st_size) == file->size && UpdateSignature::Sha256OfFile(path) == file->sha256;
}

void StagedUpdate::DiscardStatement() const
{
    SOLVANE_TRACE("[%p]StagedUpdate::DiscardStatement(void)", static_cast<const void*>(this));
    // The approval first: a crash half-way leaves nothing that could pass the check.
    for (const wxString& path : {ApprovalPath(), StatementPath(), SignaturePath()})
        RemoveIfThere(path);
}

void StagedUpdate::Discard() const
{
    SOLVANE_TRACE("[%p]StagedUpdate::Discard(void)", static_cast<const void*>(this));
    DiscardStatement();
    RemoveIfThere(PendingFileName(modulePath));
    for (const SideFileName& side : sideFiles)
        RemoveIfThere(PendingFileName(side.path));
    RemovePartialDownloads();
}

void StagedUpdate::RemovePartialDownloads() const
{
    SOLVANE_TRACE("[%p]StagedUpdate::RemovePartialDownloads(void)", static_cast<const void*>(this));
    RemoveIfThere(PartialDownloadName(PendingFileName(modulePath)));
    for (const SideFileName& side : sideFiles)
        RemoveIfThere(PartialDownloadName(PendingFileName(side.path)));
}

bool StagedUpdate::IsRefused(const std::string& sha256) const
{
    std::string list;
    ReadWhole(RefusedListPath(), list, 1 << 20);
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line))
        if (line == sha256)
            return true;
    return false;
}

void StagedUpdate::Refuse(const std::string& sha256) const
{
    SOLVANE_TRACE("[%p]StagedUpdate::Refuse(%s)", static_cast<const void*>(this), sha256);
    std::string list;
    ReadWhole(RefusedListPath(), list, 1 << 20);
    if (sha256.empty() || IsRefused(sha256))
        return;
    WriteWhole(RefusedListPath(), list + sha256 + "\n");
}
