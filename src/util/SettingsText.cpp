// What the toolkit can read of a settings file's text, line by line.
#include "util/SettingsText.h"

#include "util/Trace.h"

#include <wx/string.h>

#include <map>
#include <vector>

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// UTF-8 text without control characters other than the tab: the toolkit reads a file that is not
// UTF-8 as a whole in another encoding, and a NUL cuts a line short.
bool IsText(const std::string& line)
{
    for (size_t i = 0; i < line.size();)
    {
        const unsigned char lead = static_cast<unsigned char>(line[i]);
        if (lead < 0x80)
        {
            if ((lead < 0x20 && lead != '\t') || lead == 0x7F)
                return false;
            ++i;
            continue;
        }
        size_t extra = 0;
        unsigned long code = 0, least = 0;
        if ((lead & 0xE0) == 0xC0)
            extra = 1, code = lead & 0x1F, least = 0x80;
        else if ((lead & 0xF0) == 0xE0)
            extra = 2, code = lead & 0x0F, least = 0x800;
        else if ((lead & 0xF8) == 0xF0)
            extra = 3, code = lead & 0x07, least = 0x10000;
        else
            return false;
        if (i + extra >= line.size())
            return false;
        for (size_t k = 1; k <= extra; ++k)
        {
            const unsigned char next = static_cast<unsigned char>(line[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// A name as the toolkit compares it: escapes undone, case ignored.
wxString NameKey(const std::string& escaped)
{
    std::string name;
    for (size_t i = 0; i < escaped.size(); ++i)
    {
        if (escaped[i] == '\\' && ++i == escaped.size())
            break;
        name += escaped[i];
    }
    return wxString::FromUTF8(name).Lower();
}

// The group a header "[a/b]" names, as a comparable key ("" for the root); false for a header
// that is not closed or names a path with "." or "..", which the toolkit warns about. close gets
// the position of the closing bracket.
bool ReadHeader(const std::string& line, size_t open, wxString& group, size_t& close)
{
    size_t i = open + 1;
    for (; i < line.size() && line[i] != ']'; ++i)
    {
        if (line[i] == '\\')
            ++i;
    }
    if (i >= line.size())
        return false;
    close = i;
    const wxString name = NameKey(line.substr(open + 1, close - open - 1));
    group.clear();
    for (const wxString& part : wxSplit(name, '/', '\0'))
    {
        if (part.empty())
            continue;
        if (part == "." || part == "..")
            return false;
        group += group.empty() ? part : "/" + part;
    }
    return true;
}

// The toolkit warns of a value that ends in a lone backslash or has a quote inside quotes.
bool IsReadableValue(const std::string& value)
{
    const bool quoted = !value.empty() && value[0] == '"';
    for (size_t i = quoted ? 1 : 0; i < value.size(); ++i)
    {
        if (value[i] == '\\')
        {
            if (++i == value.size())
                return false;
        }
        else if (value[i] == '"' && quoted && i + 1 != value.size())
            return false;
    }
    return true;
}

// The key of an entry line "name = value" (escapes undone, case ignored); false for a line
// without "=" (an escaped one does not count), with an empty name or an unreadable value.
bool ReadEntry(const std::string& line, size_t start, wxString& key)
{
    size_t equals = start;
    for (; equals < line.size() && line[equals] != '='; ++equals)
    {
        if (line[equals] == '\\')
            ++equals;
    }
    if (equals >= line.size())
        return false;
    size_t nameEnd = equals;
    while (nameEnd > start && IsBlank(line[nameEnd - 1]))
        --nameEnd;
    key = NameKey(line.substr(start, nameEnd - start));
    size_t value = equals + 1;
    while (value < line.size() && IsBlank(line[value]))
        ++value;
    return !key.empty() && IsReadableValue(line.substr(value));
}

struct Section
{
    std::string header; // empty for the root
    std::vector<std::string> lines;
    std::map<wxString, size_t> lastLineOfKey;
    std::vector<bool> dropped;
};
} // namespace

std::string ReadableSettingsText(const std::string& text, size_t& damagedLines)
{
    SOLVANE_TRACE("[static]ReadableSettingsText(%zu)", text.size());
    damagedLines = 0;
    std::vector<Section> sections(1);
    std::map<wxString, size_t> sectionOfGroup{{wxString(), 0}};
    size_t current = 0;
    bool inReadableGroup = true;
    size_t number = 0;
    auto skip = [&]([[maybe_unused]] const char* why) {
        ++damagedLines;
        SOLVANE_TRACE("[static]ReadableSettingsText: line %zu skipped: %s", number + 1, why);
    };
    // A byte order mark, as some editors put before UTF-8, is no part of the first line.
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    const size_t first = text.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0;
    for (size_t begin = first; begin < text.size(); ++number)
    {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!IsText(line))
        {
            skip("not text");
            continue;
        }
        size_t start = 0;
        while (start < line.size() && IsBlank(line[start]))
            ++start;
        Section* section = &sections[current];
        if (start == line.size() || line[start] == ';' || line[start] == '#')
        {
            // A comment belongs with the entries around it: it goes where they go.
            if (inReadableGroup)
                section->lines.push_back(line), section->dropped.push_back(false);
            continue;
        }
        if (line[start] == '[')
        {
            wxString group;
            size_t close = 0;
            inReadableGroup = ReadHeader(line, start, group, close);
            if (!inReadableGroup)
            {
                skip("a group header that does not end");
                continue;
            }
            // Only blanks or a comment may follow the header.
            size_t rest = close + 1;
            while (rest < line.size() && IsBlank(line[rest]))
                ++rest;
            if (rest < line.size() && line[rest] != ';' && line[rest] != '#')
            {
                skip("text after a group header");
                line.erase(close + 1);
            }
            const auto known = sectionOfGroup.find(group);
            if (known != sectionOfGroup.end())
            {
                // The toolkit keeps one header line per group: a second one joins the first.
                current = known->second;
                if (current != 0)
                    skip("a group given twice");
                continue;
            }
            current = sections.size();
            sectionOfGroup.emplace(group, current);
            sections.emplace_back();
            sections.back().header = line;
            continue;
        }
        wxString key;
        if (!ReadEntry(line, start, key))
        {
            skip("not an entry");
            continue;
        }
        if (!inReadableGroup)
        {
            skip("an entry of an unreadable group");
            continue;
        }
        // The last of a key given twice wins, as in the toolkit, but without its warning.
        const auto earlier = section->lastLineOfKey.find(key);
        if (earlier != section->lastLineOfKey.end())
        {
            section->dropped[earlier->second] = true;
            skip("a key given twice");
        }
        section->lastLineOfKey[key] = section->lines.size();
        section->lines.push_back(line);
        section->dropped.push_back(false);
    }
    std::string readable;
    for (const Section& section : sections)
    {
        if (!section.header.empty())
            readable += section.header + "\n";
        for (size_t i = 0; i < section.lines.size(); ++i)
        {
            if (!section.dropped[i])
                readable += section.lines[i] + "\n";
        }
    }
    return readable;
}
