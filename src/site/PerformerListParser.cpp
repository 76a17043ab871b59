// Reads the site's list of online performers, a JavaScript file, into users with status bits.
#include "site/PerformerListParser.h"

#include "util/Trace.h"

#include <string_view>

namespace
{
// The dots are the wildcard, as the site's statements have always been matched.
const char* const kViewersPattern = "([[:alnum:]_]+).viewers = ([[:digit:]]+)";
const char* const kCategoryPattern = "([[:alpha:]]+)_performers.add\\(([[:alnum:]_]+)\\)";

// Text that every match of the pattern contains. Lines without it skip the regular expression,
// which on a long line with a long run of letters backtracks for minutes.
const std::string_view kViewersText = "viewers = ";
const std::string_view kCategoryText = "_performers";

// Each byte becomes the character of the same code, so binary bytes convert without loss and
// the patterns' ASCII classes see exactly the bytes of the file.
wxString ToText(std::string_view line)
{
    return wxString(line.data(), wxConvISO8859_1, line.size());
}
} // namespace

PerformerListParser::PerformerListParser()
    : viewersPattern(kViewersPattern, wxRE_EXTENDED), categoryPattern(kCategoryPattern, wxRE_EXTENDED)
{
    SOLVANE_TRACE("[%p]PerformerListParser::PerformerListParser(void)", static_cast<void*>(this));
}

uint32_t PerformerListParser::ApplyCategory(uint32_t bits, const wxString& word)
{
    if (word == "online")
        return bits | STATUS_ONLINE;
    if (word == "free")
        return (bits & ~(STATUS_BUSY | STATUS_PUBLIC | STATUS_PRIVATE)) | STATUS_ONLINE | STATUS_FREE;
    if (word == "busy")
    {
        bits = (bits & ~STATUS_FREE) | STATUS_ONLINE | STATUS_BUSY;
        // A private show that is also listed as busy stays private.
        return (bits & STATUS_PRIVATE) ? bits : (bits | STATUS_PUBLIC);
    }
    if (word == "public")
        return (bits & ~(STATUS_FREE | STATUS_PRIVATE)) | STATUS_ONLINE | STATUS_BUSY | STATUS_PUBLIC;
    if (word == "private")
        return (bits & ~(STATUS_FREE | STATUS_PUBLIC)) | STATUS_ONLINE | STATUS_BUSY | STATUS_PRIVATE;
    return bits;
}

bool PerformerListParser::Parse(const std::string& data, UserList& users, const PauseHook& pause)
{
    SOLVANE_TRACE("[%p]PerformerListParser::Parse(%zu)", static_cast<void*>(this), data.size());
    users.Clear();
    bool hasPerformer = false;
    wxString name;
    // Reset only when a performer is finished: category lines before the first performer
    // count for it.
    uint32_t bits = 0;
    auto finishPerformer = [&] {
        users.AddUser(User(name, bits));
        hasPerformer = false;
        bits = 0;
        return !pause || pause();
    };

    const std::string_view all(data);
    size_t begin = 0;
    while (begin < all.size())
    {
        size_t end = all.find_first_of("\r\n", begin);
        if (end == std::string_view::npos)
            end = all.size();
        const std::string_view line = all.substr(begin, end - begin);
        begin = end + 1;
        if (end + 1 < all.size() && all[end] == '\r' && all[end + 1] == '\n')
            ++begin;

        const bool maybeViewers = line.find(kViewersText) != std::string_view::npos;
        const bool maybeCategory = line.find(kCategoryText) != std::string_view::npos;
        if (!maybeViewers && !maybeCategory)
            continue;
        const wxString text = ToText(line);
        if (maybeViewers && viewersPattern.Matches(text))
        {
            if (hasPerformer && !finishPerformer())
                return false;
            name = viewersPattern.GetMatch(text, 1);
            hasPerformer = true;
        }
        else if (maybeCategory && categoryPattern.Matches(text))
        {
            bits = ApplyCategory(bits, categoryPattern.GetMatch(text, 1));
        }
    }
    return !hasPerformer || finishPerformer();
}
