// Small text helpers of the simulated site: query fields, trimming, escaping, files, versions.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace sitesim
{

class Text
{
public:
    Text() = delete;

    using Fields = std::vector<std::pair<std::string, std::string>>;

    /// The fields of a query, split at '&' and then at the first '=', each name and value
    /// percent-decoded ('+' stays '+'); empty fields are skipped.
    static Fields SplitQuery(const std::string& query);
    /// The value of the first field of that name, null when there is none.
    static const std::string* FindField(const Fields& fields, const std::string& name);
    /// "%XX" becomes the byte XX; a '%' without two hex digits after it stays as it is.
    static std::string PercentDecode(const std::string& text);

    static std::string Trim(const std::string& text);
    static bool EqualsIgnoreCase(const std::string& a, const std::string& b);
    static std::string HtmlEscape(const std::string& text);
    /// The whole file, bytes as they are; false when it cannot be read.
    static bool ReadWholeFile(const std::string& path, std::string& out);

    /// Compares dotted version numbers ("1.10" > "1.9", "1.3" == "1.3.0"): -1, 0 or 1.
    static int CompareVersions(const std::string& a, const std::string& b);
};

} // namespace sitesim
