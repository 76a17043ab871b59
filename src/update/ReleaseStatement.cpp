// The publisher's signed word on an update: which product and version it is, until when it may be
// installed, and the size and SHA-256 of each file that comes with it.
#include "update/ReleaseStatement.h"

#include "util/Trace.h"

#include <cstdlib>
#include <set>
#include <sstream>

const char* const ReleaseStatement::kProduct = "Solvane";

namespace
{
// No file of an update is larger than the download limit; a size past it is a forged statement.
const long long kMaxFileSize = 64LL << 20;

bool IsDigits(const std::string& text, size_t maxLength)
{
    if (text.empty() || text.size() > maxLength)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool IsSha256(const std::string& text)
{
    if (text.size() != 64)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

bool IsVersion(const std::string& text)
{
    // "major.minor.patch", each a short number: what the update service and Version read.
    std::istringstream parts(text);
    std::string part;
    int count = 0;
    while (std::getline(parts, part, '.'))
        if (!IsDigits(part, 6) || ++count > 3)
            return false;
    return count == 3 && text.back() != '.';
}

bool Fail(wxString* why, const wxString& reason)
{
    if (why)
        *why = reason;
    return false;
}
} // namespace

bool ReleaseStatement::Parse(const std::string& text, wxString* why)
{
    SOLVANE_TRACE("[%p]ReleaseStatement::Parse(%zu bytes)", static_cast<void*>(this), text.size());
    *this = ReleaseStatement();
    if (text.size() > kMaxLength)
        return Fail(why, "the release statement is too long");
    std::set<std::string> seen;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
    {
        if (line.empty())
            continue;
        std::istringstream fields(line);
        std::string key, value, size, sha256, rest;
        fields >> key >> value;
        if (key == "file")
        {
            fields >> size >> sha256;
            const wxString kind = wxString::FromUTF8(value);
            if (kind != "module" && kind != "skin" && kind != "mo" && kind != "manifest")
                return Fail(why, "the release statement names an unknown kind of file");
            if (!IsDigits(size, 12) || std::atoll(size.c_str()) > kMaxFileSize || !IsSha256(sha256))
                return Fail(why, "the release statement has a malformed file line");
            if (!files.emplace(kind, ReleaseFile{std::atoll(size.c_str()), sha256}).second)
                return Fail(why, "the release statement names a file twice");
        }
        else if (!seen.insert(key).second)
        {
            return Fail(why, "the release statement repeats " + wxString::FromUTF8(key));
        }
        else if (key == "product" && !value.empty())
        {
            product = wxString::FromUTF8(value);
        }
        else if (key == "version" && IsVersion(value))
        {
            version = wxString::FromUTF8(value);
        }
        else if (key == "expires" && IsDigits(value, 18))
        {
            expires = std::atoll(value.c_str());
        }
        else
        {
            return Fail(why, "the release statement has a malformed line");
        }
        if (fields >> rest)
            return Fail(why, "the release statement has a malformed line");
    }
    if (product.empty() || version.empty() || !seen.count("expires"))
        return Fail(why, "the release statement lacks its product, version or expiry");
    if (!Find("module"))
        return Fail(why, "the release statement names no module");
    return true;
}

const ReleaseFile* ReleaseStatement::Find(const wxString& kind) const
{
    const auto file = files.find(kind);
    return file == files.end() ? nullptr : &file->second;
}
