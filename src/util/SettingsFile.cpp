// The settings file: read as far as it is readable, saved whole or not at all.
#include "util/SettingsFile.h"

#include "util/AtomicFile.h"
#include "util/SayOnStderr.h"
#include "util/SettingsText.h"
#include "util/Trace.h"

#include <wx/log.h>
#include <wx/mstream.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

struct SettingsFile::Loaded
{
    std::string readable;
    std::string original;
    bool damaged = false;
    bool setAsidePending = false;
    // Whatever the toolkit's reader still says about the text goes nowhere, until it has read it:
    // no box before the main window.
    std::unique_ptr<wxLogNull> quiet = std::make_unique<wxLogNull>();
};

namespace
{
wxInputStream& AsStream(wxMemoryInputStream&& stream)
{
    return stream;
}

// Moves a file that can not be used out of the way, whole, as the ".bad" copy.
bool SetAside(const wxString& target)
{
    return std::rename(target.fn_str(), (target + ".bad").fn_str()) == 0;
}
} // namespace

SettingsFile::SettingsFile(const wxString& path_) : SettingsFile(path_, Load(path_))
{
}

SettingsFile::SettingsFile(const wxString& path_, Loaded loaded)
    : wxFileConfig(AsStream(wxMemoryInputStream(loaded.readable.data(), loaded.readable.size())), wxConvUTF8),
      path(path_), onDisk(std::move(loaded.original)), keepDamaged(loaded.damaged),
      setAsidePending(loaded.setAsidePending)
{
    SOLVANE_TRACE("[%p]SettingsFile::SettingsFile(%s)", static_cast<void*>(this), path_);
    if (keepDamaged)
        damaged = onDisk;
    // A value is read as it was written: a password with "$HOME" in it stays that, and a "${"
    // without its end draws no warning box.
    SetExpandEnvVars(false);
}

SettingsFile::~SettingsFile()
{
    SOLVANE_TRACE("[%p]SettingsFile::~SettingsFile(void)", static_cast<void*>(this));
    Flush();
}

SettingsFile::Loaded SettingsFile::Load(const wxString& path)
{
    SOLVANE_TRACE("[static]SettingsFile::Load(%s)", path);
    Loaded loaded;
    const wxString target = AtomicFile::ResolveLinks(path);
    // Opened without waiting: a FIFO or a device at the settings' name would otherwise hold the
    // start up before any window shows, waiting for a writer that never comes.
    const int descriptor = ::open(target.fn_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status;
    if (descriptor >= 0 && (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)))
    {
        ::close(descriptor);
        loaded.setAsidePending = !SetAside(target);
        SayOnStderr(wxString::Format("the settings file %s is not a regular file: %s; the program starts with its defaults",
                                     target, loaded.setAsidePending ? "it is left as it is" : "it was put aside as .bad"));
        return loaded;
    }
    if (descriptor >= 0)
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    FILE* file = descriptor >= 0 ? ::fdopen(descriptor, "rb") : nullptr;
    if (!file)
    {
        const int error = errno;
        if (descriptor >= 0)
            ::close(descriptor);
        if (error == ENOENT)
            return loaded; // a first start
        // A file that is there but can not be read would be lost by the next save.
        const wxString reason = wxString::FromUTF8(std::strerror(error));
        loaded.setAsidePending = !SetAside(target);
        SayOnStderr(wxString::Format("the settings file %s can not be read (%s): %s; the program starts with its defaults",
                                     target, reason,
                                     loaded.setAsidePending ? "it is left as it is" : "it was put aside as .bad"));
        return loaded;
    }
    std::string bytes;
    char chunk[65536];
    size_t got = 0;
    while (bytes.size() <= kMaxSize && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed || bytes.size() > kMaxSize)
    {
        loaded.setAsidePending = !SetAside(target);
        SayOnStderr(wxString::Format("the settings file %s is %s: %s; the program starts with its defaults", target,
                                     failed ? "unreadable" : "larger than 1 MiB",
                                     loaded.setAsidePending ? "it is left as it is" : "it was put aside as .bad"));
        return loaded;
    }
    size_t damagedLines = 0;
    loaded.readable = ReadableText(bytes, damagedLines);
    loaded.damaged = damagedLines > 0;
    loaded.original = std::move(bytes);
    return loaded;
}

std::string SettingsFile::ReadableText(const std::string& text, size_t& damagedLines)
{
    return ReadableSettingsText(text, damagedLines);
}

bool SettingsFile::KeepOriginal(wxString& error)
{
    SOLVANE_TRACE("[%p]SettingsFile::KeepOriginal(void)", static_cast<void*>(this));
    const wxString target = AtomicFile::ResolveLinks(path);
    if (setAsidePending)
    {
        if (!SetAside(target) && errno != ENOENT)
        {
            error = "can not put " + target + " aside: " + wxString::FromUTF8(std::strerror(errno));
            return false;
        }
        setAsidePending = false;
    }
    if (keepDamaged)
    {
        if (!AtomicFile::WriteAll(target + ".bad", damaged, error))
            return false;
        keepDamaged = false;
        std::string().swap(damaged);
    }
    return true;
}

bool SettingsFile::Flush(bool)
{
    SOLVANE_TRACE("[%p]SettingsFile::Flush(void)", static_cast<void*>(this));
    wxMemoryOutputStream stream;
    if (!Save(stream, wxConvUTF8))
    {
        Report("the settings could not be written out");
        return false;
    }
    std::string text(stream.GetLength(), '\0');
    stream.CopyTo(&text[0], text.size());
    if (text == onDisk)
        return true;
    wxString error;
    if (!KeepOriginal(error) || !AtomicFile::WriteAll(path, text, error))
    {
        Report("the settings could not be saved: " + error);
        return false;
    }
    onDisk = std::move(text);
    lastReport.clear();
    return true;
}

bool SettingsFile::DoReadBool(const wxString& key, bool* value) const
{
    SOLVANE_TRACE("[%p]SettingsFile::DoReadBool(%s)", static_cast<const void*>(this), key);
    // The toolkit's own reading warns in a box of any number but 0 and 1, which a file edited by
    // hand may hold; any other number is true here, as it is there after the box.
    long number = 0;
    if (!DoReadLong(key, &number))
        return false;
    *value = number != 0;
    return true;
}

void SettingsFile::Report(const wxString& message)
{
    SOLVANE_TRACE("[%p]SettingsFile::Report(%s)", static_cast<void*>(this), message);
    // The exit flushes more than once; the same failure is told once.
    if (message == lastReport)
        return;
    lastReport = message;
    SayOnStderr(message);
}
