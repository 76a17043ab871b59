// Reads the site's list of online performers, a JavaScript file, into users with status bits.
#include "site/PerformerListParser.h"

#include "util/Trace.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace
{
// The dots are the wildcard, as the site's statements have always been matched.
const char* const kViewersPattern = "([[:alnum:]_]+).viewers = ([[:digit:]]+)";
const char* const kCategoryPattern = "([[:alpha:]]+)_performers.add\\(([[:alnum:]_]+)\\)";

// Text that every match of the pattern contains.
const std::string_view kViewersText = "viewers = ";
const std::string_view kCategoryText = "_performers";
const std::string_view kAddText = "add(";

// Each byte becomes the character of the same code, so binary bytes convert without loss and
// the patterns' ASCII classes see exactly the bytes of the file.
wxString ToText(std::string_view line)
{
    return wxString(line.data(), wxConvISO8859_1, line.size());
}

// Which bytes the patterns' name classes take, asked of the regular expressions themselves so
// that letters beyond ASCII count exactly as they do there.
struct NameClasses
{
    std::array<bool, 256> word{};  // [[:alnum:]_]
    std::array<bool, 256> alpha{}; // [[:alpha:]]
};

const NameClasses& Classes()
{
    static const NameClasses classes = [] {
        NameClasses result;
        wxRegEx word("^[[:alnum:]_]$", wxRE_EXTENDED | wxRE_NOSUB);
        wxRegEx alpha("^[[:alpha:]]$", wxRE_EXTENDED | wxRE_NOSUB);
        for (int byte = 0; byte < 256; ++byte)
        {
            const char c = static_cast<char>(byte);
            const wxString text = ToText(std::string_view(&c, 1));
            result.word[byte] = word.Matches(text);
            result.alpha[byte] = alpha.Matches(text);
        }
        return result;
    }();
    return classes;
}

// Which bytes the wildcard of each pattern takes, asked of the patterns themselves on a statement
// that holds the byte in the wildcard's place: with the name classes above, the matchers below
// then accept exactly what the patterns accept, without running them line by line.
struct Wildcards
{
    std::array<bool, 256> viewers{};
    std::array<bool, 256> category{};
};

const Wildcards& WildcardBytes()
{
    static const Wildcards wildcards = [] {
        Wildcards result;
        wxRegEx viewers(kViewersPattern, wxRE_EXTENDED | wxRE_NOSUB);
        wxRegEx category(kCategoryPattern, wxRE_EXTENDED | wxRE_NOSUB);
        for (int byte = 0; byte < 256; ++byte)
        {
            const char c = static_cast<char>(byte);
            result.viewers[byte] = viewers.Matches(ToText("a" + std::string(1, c) + "viewers = 1"));
            result.category[byte] = category.Matches(ToText("a_performers" + std::string(1, c) + "add(b)"));
        }
        return result;
    }();
    return wildcards;
}

bool In(const std::array<bool, 256>& set, char c)
{
    return set[static_cast<unsigned char>(c)];
}

// The start of the run of class bytes that ends at last.
size_t RunStart(std::string_view line, size_t last, const std::array<bool, 256>& set)
{
    size_t start = last;
    while (start > 0 && In(set, line[start - 1]))
        --start;
    return start;
}

// Where a statement's match starts and ends, and where the name it gives lies: the leftmost
// match of the pattern, found in one pass. start is npos when the line has none.
struct Match
{
    size_t start = std::string_view::npos;
    size_t nameStart = 0;
    size_t nameEnd = 0;
    size_t end = 0; // the match's text is enough for the pattern to give the same groups

    bool Found() const { return start != std::string_view::npos; }
    size_t NameBytes() const { return nameEnd - nameStart; }
};

// The leftmost match of the viewers pattern. A regular expression left to find this by itself
// retries from every letter of a long run before a near miss, for seconds on a line of tens of
// kilobytes; found here in one pass, the expression then matches at its first try. Every match
// holds the literal text; the leftmost one belongs to its first occurrence that has a digit after
// it and a name before the wildcard, and starts where that name's run of letters starts. The
// count is cut after a few digits: it is not used.
Match ViewersMatch(std::string_view line)
{
    const NameClasses& classes = Classes();
    const auto digit = [&](size_t at) { return at < line.size() && line[at] >= '0' && line[at] <= '9'; };
    for (size_t at = line.find(kViewersText); at != std::string_view::npos; at = line.find(kViewersText, at + 1))
    {
        const size_t count = at + kViewersText.size();
        if (at < 2 || !digit(count) || !In(classes.word, line[at - 2]))
            continue;
        Match match;
        match.nameEnd = at - 1;
        match.nameStart = match.start = RunStart(line, at - 2, classes.word);
        match.end = count;
        while (digit(match.end) && match.end - count < 20)
            ++match.end;
        return match;
    }
    return Match();
}

// The same for the category pattern: a word right before the literal text, then any character,
// "add(", a name and the closing parenthesis; here the name is the one in the parentheses.
Match CategoryMatch(std::string_view line)
{
    const NameClasses& classes = Classes();
    for (size_t at = line.find(kCategoryText); at != std::string_view::npos; at = line.find(kCategoryText, at + 1))
    {
        if (at == 0 || !In(classes.alpha, line[at - 1]))
            continue;
        const size_t add = at + kCategoryText.size() + 1;
        if (line.substr(std::min(add, line.size()), kAddText.size()) != kAddText)
            continue;
        size_t end = add + kAddText.size();
        while (end < line.size() && In(classes.word, line[end]))
            ++end;
        if (end > add + kAddText.size() && end < line.size() && line[end] == ')')
        {
            Match match;
            match.start = RunStart(line, at - 1, classes.alpha);
            match.nameStart = add + kAddText.size();
            match.nameEnd = end;
            match.end = end + 1;
            return match;
        }
    }
    return Match();
}
} // namespace

namespace
{
bool Is(std::string_view word, std::string_view literal)
{
    return word == literal;
}

// Compared character by character: a comparison with a narrow literal would convert the literal.
bool Is(const wxString& word, std::string_view literal)
{
    return word.length() == literal.size() &&
           std::equal(literal.begin(), literal.end(), word.wc_str(),
                      [](char letter, wchar_t c) { return static_cast<wchar_t>(letter) == c; });
}

template <typename Word>
uint32_t ApplyCategoryWord(uint32_t bits, const Word& word)
{
    if (Is(word, "online"))
        return bits | STATUS_ONLINE;
    if (Is(word, "free"))
        return (bits & ~(STATUS_BUSY | STATUS_PUBLIC | STATUS_PRIVATE)) | STATUS_ONLINE | STATUS_FREE;
    if (Is(word, "busy"))
    {
        bits = (bits & ~STATUS_FREE) | STATUS_ONLINE | STATUS_BUSY;
        // A private show that is also listed as busy stays private.
        return (bits & STATUS_PRIVATE) ? bits : (bits | STATUS_PUBLIC);
    }
    if (Is(word, "public"))
        return (bits & ~(STATUS_FREE | STATUS_PRIVATE)) | STATUS_ONLINE | STATUS_BUSY | STATUS_PUBLIC;
    if (Is(word, "private"))
        return (bits & ~(STATUS_FREE | STATUS_PUBLIC)) | STATUS_ONLINE | STATUS_BUSY | STATUS_PRIVATE;
    return bits;
}

// The name of a viewers statement as the list of the last refresh has it, so that a performer
// seen in both is one name object; else a new one. Bytes become the characters of the same code.
SharedName NameOf(std::string_view bytes, const UserList& known, std::wstring& characters)
{
    characters.resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        characters[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    if (const User* user = known.FindUser(std::wstring_view(characters)))
        return user->ShareName();
    return std::make_shared<const wxString>(characters.data(), characters.size());
}
} // namespace

PerformerListParser::PerformerListParser()
{
    SOLVANE_TRACE("[%p]PerformerListParser::PerformerListParser(void)", static_cast<void*>(this));
}

uint32_t PerformerListParser::ApplyCategory(uint32_t bits, const wxString& word)
{
    return ApplyCategoryWord(bits, word);
}

bool PerformerListParser::Parse(const std::string& data, UserList& users, const PauseHook& pause)
{
    SOLVANE_TRACE("[%p]PerformerListParser::Parse(%zu)", static_cast<void*>(this), data.size());
    // The list's names before: a performer already known keeps its name object.
    const UserList known = std::move(users);
    users.Clear();
    users.Reserve(known.GetCount());
    tooManyPerformers = false;
    bool hasPerformer = false;
    // After a statement whose name is too long: its category lines are nobody's.
    bool skipping = false;
    SharedName name;
    std::wstring characters;
    // Reset only when a performer is finished: category lines before the first performer
    // count for it.
    uint32_t bits = 0;
    auto finishPerformer = [&] {
        users.AddUser(User(name, bits));
        hasPerformer = false;
        bits = 0;
        if (users.GetCount() > kMaxPerformers)
        {
            SOLVANE_TRACE("more than %zu performers", kMaxPerformers);
            tooManyPerformers = true;
            users.Clear();
            return false;
        }
        return !pause || pause();
    };

    const std::string_view all(data);
    size_t begin = 0;
    while (begin < all.size())
    {
        // A plain walk: find_first_of asks a search of the two breaks at every byte.
        const auto lineEnd = std::find_if(all.begin() + static_cast<std::ptrdiff_t>(begin), all.end(),
                                          [](char c) { return c == '\r' || c == '\n'; });
        const size_t end = static_cast<size_t>(lineEnd - all.begin());
        const std::string_view line = all.substr(begin, end - begin);
        begin = end + 1;
        if (end + 1 < all.size() && all[end] == '\r' && all[end + 1] == '\n')
            ++begin;

        // The patterns see only their match's text, so they match at once, and a long line is
        // never copied whole.
        const Match viewers = ViewersMatch(line);
        if (viewers.Found() && viewers.NameBytes() > kMaxNameBytes)
        {
            SOLVANE_TRACE("a name of %zu bytes: no performer", viewers.NameBytes());
            if (hasPerformer && !finishPerformer())
                return false;
            skipping = true;
            bits = 0;
            continue;
        }
        // The byte after the name is the pattern's wildcard.
        if (viewers.Found() && In(WildcardBytes().viewers, line[viewers.nameEnd]))
        {
            if (hasPerformer && !finishPerformer())
                return false;
            skipping = false;
            name = NameOf(line.substr(viewers.nameStart, viewers.NameBytes()), known, characters);
            hasPerformer = true;
            continue;
        }
        const Match category = CategoryMatch(line);
        // A word longer than a name may be is none of the categories; a name that long is nobody's.
        if (skipping || !category.Found() || category.nameStart - category.start > kMaxNameBytes ||
            category.NameBytes() > kMaxNameBytes)
            continue;
        // The wildcard lies before "add(", the word before it and the literal text.
        const size_t wildcard = category.nameStart - kAddText.size() - 1;
        if (In(WildcardBytes().category, line[wildcard]))
        {
            const size_t wordEnd = wildcard - kCategoryText.size();
            bits = ApplyCategoryWord(bits, line.substr(category.start, wordEnd - category.start));
        }
    }
    return !hasPerformer || finishPerformer();
}
