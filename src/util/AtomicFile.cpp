// Files replaced whole or not at all: a temporary file beside the old one, synced, renamed over it.
#include "util/AtomicFile.h"

#include "util/Trace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
// The kernel's own limit on a chain of links; a longer one is a loop.
constexpr int kMaxLinks = 40;

wxString Reason()
{
    return wxString::FromUTF8(std::strerror(errno));
}

wxString FolderOf(const wxString& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == wxString::npos)
        return ".";
    return slash == 0 ? wxString("/") : path.substr(0, slash);
}
} // namespace

AtomicFile::AtomicFile(const wxString& path, mode_t mode, Links links)
    : target(links == Links::Follow ? ResolveLinks(path) : path)
{
    SOLVANE_TRACE("[%p]AtomicFile::AtomicFile(%s, %o)", static_cast<void*>(this), path, static_cast<unsigned>(mode));
    // mkstemp creates the file 0600 whatever the umask: no other user ever sees the content.
    std::string pattern = (target + ".XXXXXX").fn_str().data();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor = mkstemp(name.data());
    if (descriptor < 0)
    {
        Fail("can not create a file beside " + target);
        return;
    }
    temporary = wxString(name.data(), wxConvFile);
    if (mode != 0600 && fchmod(descriptor, mode) != 0)
        Fail("can not set the mode of a new " + target);
}

AtomicFile::~AtomicFile()
{
    SOLVANE_TRACE("[%p]AtomicFile::~AtomicFile(void)", static_cast<void*>(this));
    if (!committed)
        Discard();
}

bool AtomicFile::Fail(const wxString& what)
{
    SOLVANE_TRACE("[%p]AtomicFile::Fail(%s)", static_cast<void*>(this), what);
    if (error.empty())
        error = what + ": " + Reason();
    Discard();
    return false;
}

void AtomicFile::Discard()
{
    SOLVANE_TRACE("[%p]AtomicFile::Discard(void)", static_cast<void*>(this));
    if (descriptor >= 0)
    {
        close(descriptor);
        descriptor = -1;
    }
    if (!temporary.empty())
    {
        unlink(temporary.fn_str());
        temporary.clear();
    }
}

bool AtomicFile::Write(const void* data, size_t size)
{
    SOLVANE_TRACE("[%p]AtomicFile::Write(%zu)", static_cast<void*>(this), size);
    if (descriptor < 0)
        return false;
    const char* next = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t written = write(descriptor, next, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
        {
            if (written == 0)
                errno = ENOSPC;
            return Fail("can not write a new " + target);
        }
        next += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool AtomicFile::Commit()
{
    SOLVANE_TRACE("[%p]AtomicFile::Commit(void)", static_cast<void*>(this));
    if (descriptor < 0)
        return false;
    // The data reaches the disk before the name points at it: a power cut after the rename must
    // not leave an empty file where the old one was. A failed close can be the write's own late
    // report (a full disk on a network file system).
    if (fsync(descriptor) != 0)
        return Fail("can not write a new " + target + " to the disk");
    const int closing = descriptor;
    descriptor = -1;
    if (close(closing) != 0)
        return Fail("can not write a new " + target);
    if (rename(temporary.fn_str(), target.fn_str()) != 0)
        return Fail("can not replace " + target);
    temporary.clear();
    committed = true;
    // The rename itself reaches the disk with the folder. It has happened whatever this says, and
    // some file systems can not sync a folder at all: not a failure of the write.
    const int folder = open(FolderOf(target).fn_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0)
    {
        fsync(folder);
        close(folder);
    }
    return true;
}

bool AtomicFile::WriteAll(const wxString& path, const std::string& bytes, wxString& error, mode_t mode, Links links)
{
    SOLVANE_TRACE("[static]AtomicFile::WriteAll(%s, %zu)", path, bytes.size());
    AtomicFile file(path, mode, links);
    const bool ok = file.Write(bytes.data(), bytes.size()) && file.Commit();
    error = file.GetError();
    return ok;
}

wxString AtomicFile::ResolveLinks(const wxString& path)
{
    SOLVANE_TRACE("[static]AtomicFile::ResolveLinks(%s)", path);
    wxString current = path;
    for (int link = 0; link < kMaxLinks; ++link)
    {
        struct stat info;
        if (lstat(current.fn_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::vector<char> buffer(static_cast<size_t>(info.st_size > 0 ? info.st_size : 4096) + 1);
        const ssize_t length = readlink(current.fn_str(), buffer.data(), buffer.size() - 1);
        if (length < 0)
            return current;
        const wxString next(buffer.data(), wxConvFile, static_cast<size_t>(length));
        // A relative link is relative to the folder the link sits in.
        current = next.StartsWith("/") ? next : FolderOf(current) + "/" + next;
    }
    return current;
}
