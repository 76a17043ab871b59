// The publisher's signed word on an update: which product and version it is, until when it may be
// installed, and the size and SHA-256 of each file that comes with it.
#pragma once

#include <wx/string.h>

#include <map>
#include <string>

/// One file the statement vouches for.
struct ReleaseFile
{
    long long size = 0;
    /// SHA-256 of the file, 64 lower-case hexadecimal digits.
    std::string sha256;
};

class ReleaseStatement
{
public:
    /// The product every statement for this program must name.
    static const char* const kProduct;
    /// Above this a statement is not read at all.
    static constexpr size_t kMaxLength = 16 * 1024;

    /// Reads "key value" lines: "product NAME", "version X.Y.Z", "expires SECONDS" (since 1970,
    /// UTC) and one "file KIND SIZE SHA256" per file ("module", "skin", "mo", "manifest"). Every
    /// key but "file" once, the module's file required, nothing else allowed. False with the
    /// reason when the text is not such a statement.
    bool Parse(const std::string& text, wxString* why);

    const wxString& GetProduct() const { return product; }
    const wxString& GetVersion() const { return version; }
    long long GetExpires() const { return expires; }
    /// The file of that kind, or null when the statement does not vouch for one.
    const ReleaseFile* Find(const wxString& kind) const;

private:
    wxString product;
    wxString version;
    long long expires = 0;
    std::map<wxString, ReleaseFile> files;
};
