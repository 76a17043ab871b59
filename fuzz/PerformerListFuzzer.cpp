// The performer list parser on any bytes: every user it returns is named as in a viewers
// statement of the input and no longer than a name may be, no more users than such lines, the same list from the same bytes
// (whatever the parser read before), and a parse the pause hook abandons keeps one user.
#include "FuzzCheck.h"

#include "site/PerformerListParser.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace
{
// The lines as the parser splits them: LF, CR or CR LF end one.
std::vector<std::string_view> Lines(std::string_view all)
{
    std::vector<std::string_view> lines;
    size_t begin = 0;
    while (begin < all.size())
    {
        size_t end = std::min(all.find_first_of("\r\n", begin), all.size());
        lines.push_back(all.substr(begin, end - begin));
        begin = end + (all.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// A name of word characters, ASCII or Latin-1 (as the file's bytes convert), seen in a line
// right before one character and "viewers = " with a digit.
bool NamedInLine(const wxString& name, const std::vector<std::string_view>& lines)
{
    std::string bytes;
    for (const wxUniChar c : name)
    {
        const unsigned code = c.GetValue();
        const bool ascii =
            (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') || code == '_';
        if (code >= 256 || (code < 128 && !ascii))
            return false;
        bytes += static_cast<char>(code);
    }
    const std::string statement = "viewers = ";
    for (std::string_view line : lines)
    {
        for (size_t at = line.find(bytes); at != std::string_view::npos; at = line.find(bytes, at + 1))
        {
            const size_t after = at + bytes.size() + 1;
            if (after + statement.size() < line.size() && line.substr(after, statement.size()) == statement &&
                line[after + statement.size()] >= '0' && line[after + statement.size()] <= '9')
                return true;
        }
    }
    return false;
}

bool Same(const UserList& a, const UserList& b)
{
    UserList added, deleted, changed;
    a.GetDifference(b, added, deleted, changed);
    return a.GetCount() == b.GetCount() && added.IsEmpty() && deleted.IsEmpty() && changed.IsEmpty();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static PerformerListParser parser;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> lines = Lines(input);

    UserList users;
    FUZZ_CHECK(parser.Parse(input, users));
    const size_t statements = std::count_if(lines.begin(), lines.end(),
                                            [](std::string_view line) { return line.find("viewers = ") != line.npos; });
    FUZZ_CHECK(users.GetCount() <= statements);
    const uint32_t known = STATUS_ONLINE | STATUS_FREE | STATUS_BUSY | STATUS_PUBLIC | STATUS_PRIVATE;
    for (const auto& entry : users)
    {
        FUZZ_CHECK(!entry.second.GetName().empty() && entry.second.GetName() == entry.first);
        FUZZ_CHECK(entry.second.GetName().length() <= PerformerListParser::kMaxNameBytes);
        FUZZ_CHECK(NamedInLine(entry.second.GetName(), lines));
        FUZZ_CHECK((entry.second.GetStatus() & ~known) == 0);
    }

    // A fresh parser into a list that held users gives the same list.
    PerformerListParser fresh;
    UserList again;
    again.AddUser(User("left_over", STATUS_ONLINE));
    FUZZ_CHECK(fresh.Parse(input, again));
    FUZZ_CHECK(Same(users, again));

    UserList abandoned;
    const bool finished = parser.Parse(input, abandoned, [] { return false; });
    FUZZ_CHECK(finished == users.IsEmpty());
    FUZZ_CHECK(abandoned.GetCount() == std::min<size_t>(users.GetCount(), 1));
    return 0;
}
