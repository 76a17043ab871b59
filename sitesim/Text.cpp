// Small text helpers of the simulated site: query fields, trimming, escaping, files, versions.
#include "Text.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace sitesim
{
namespace
{
int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The parts of a dotted version, each its leading digits without leading zeros, so that
// numbers compare by length and then as text.
std::vector<std::string> VersionParts(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;)
    {
        const size_t dot = text.find('.', start);
        std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
        size_t digits = 0;
        while (digits < part.size() && isdigit(static_cast<unsigned char>(part[digits])))
            ++digits;
        part.resize(digits);
        const size_t zeros = part.find_first_not_of('0');
        parts.push_back(zeros == std::string::npos ? std::string() : part.substr(zeros));
        if (dot == std::string::npos)
            return parts;
        start = dot + 1;
    }
}
} // namespace

Text::Fields Text::SplitQuery(const std::string& query)
{
    Fields fields;
    size_t start = 0;
    while (start <= query.size())
    {
        size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        const std::string field = query.substr(start, end - start);
        if (!field.empty())
        {
            const size_t eq = field.find('=');
            fields.emplace_back(PercentDecode(field.substr(0, eq)),
                                eq == std::string::npos ? std::string() : PercentDecode(field.substr(eq + 1)));
        }
        start = end + 1;
    }
    return fields;
}

const std::string* Text::FindField(const Fields& fields, const std::string& name)
{
    for (const auto& field : fields)
        if (field.first == name)
            return &field.second;
    return nullptr;
}

std::string Text::PercentDecode(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        const int high = i + 2 < text.size() && text[i] == '%' ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low >= 0)
        {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        }
        else
        {
            out += text[i];
        }
    }
    return out;
}

std::string Text::Trim(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return std::string();
    const size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool Text::EqualsIgnoreCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return tolower(static_cast<unsigned char>(x)) == tolower(static_cast<unsigned char>(y));
           });
}

std::string Text::HtmlEscape(const std::string& text)
{
    std::string out;
    for (char c : text)
    {
        switch (c)
        {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

bool Text::ReadWholeFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return false;
    out = text.str();
    return true;
}

int Text::CompareVersions(const std::string& a, const std::string& b)
{
    // A missing part counts as 0.
    const std::vector<std::string> x = VersionParts(Trim(a)), y = VersionParts(Trim(b));
    for (size_t i = 0; i < std::max(x.size(), y.size()); ++i)
    {
        const std::string p = i < x.size() ? x[i] : std::string();
        const std::string q = i < y.size() ? y[i] : std::string();
        if (p.size() != q.size())
            return p.size() < q.size() ? -1 : 1;
        if (const int c = p.compare(q))
            return c < 0 ? -1 : 1;
    }
    return 0;
}

} // namespace sitesim
