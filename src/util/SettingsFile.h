// The settings file: whatever it holds, the program starts with what can be read of it, and
// saving replaces it whole or not at all.
//
// The toolkit's own reader stops the program with an assertion or an error box for a damaged
// line, and its writer removes the old file before the new one is in place. This store reads the
// file's readable lines only and saves through AtomicFile; the host makes it the application's
// configuration (wxConfigBase::Set).
#pragma once

#include <wx/fileconf.h>

#include <string>

class SettingsFile : public wxFileConfig
{
public:
    /// A file larger than this is not read: it is put aside whole and the store starts empty.
    static constexpr size_t kMaxSize = 1 << 20;

    /// The store of the file at path (a missing file: an empty store). Unreadable lines are left
    /// out, each traced, and the file as it was is kept as path + ".bad" before it is next
    /// written; a file past kMaxSize, or one that can not be read, is renamed to that at once.
    explicit SettingsFile(const wxString& path);
    /// Saves what has not been saved.
    ~SettingsFile() override;

    /// Saves the settings when they differ from what the file holds. False when that failed: the
    /// file is then as it was, and the reason has gone to stderr (once for a repeated failure).
    bool Flush(bool currentOnly = false) override;

    /// What the toolkit can read of a settings file's text: its lines in their order, but for
    /// lines that are not UTF-8 text, keys without "=" or without a name, group headers that are
    /// not closed (and the entries under them), values the toolkit warns about, and all but the
    /// last of a key given twice; a group given twice is merged into its first. skipped counts
    /// the lines left out.
    static std::string ReadableText(const std::string& text, size_t& skipped);

protected:
    bool DoReadBool(const wxString& key, bool* value) const override;

private:
    struct Loaded;
    SettingsFile(const wxString& path, Loaded loaded);
    static Loaded Load(const wxString& path);
    /// Keeps the damaged file as ".bad" before its first replacement; false when that failed.
    bool KeepOriginal(wxString& error);
    void Report(const wxString& message);

    wxString path;
    // What the file holds now (the toolkit's text of it once written).
    std::string onDisk;
    // The damaged file's bytes until they are kept as ".bad".
    std::string damaged;
    bool keepDamaged = false;
    // A file that could not be read or was too large and could not be renamed yet: it is renamed
    // before the first save, and nothing is saved while it can not be.
    bool setAsidePending = false;
    wxString lastReport;
};
