// The login reply reader on any bytes: names unique, not empty, only ASCII letters, digits and
// underscores, each a whole run of such characters in the reply, no more names than lines, and
// the names written one a line read back the same.
#include "FuzzCheck.h"

#include "site/LoginCheck.h"

#include <algorithm>
#include <set>
#include <string>

namespace
{
bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsWholeRunIn(const std::string& name, const std::string& input)
{
    for (size_t at = input.find(name); at != std::string::npos; at = input.find(name, at + 1))
    {
        const size_t end = at + name.size();
        if ((at == 0 || !IsNameChar(input[at - 1])) && (end == input.size() || !IsNameChar(input[end])))
            return true;
    }
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::vector<wxString> names = ReadFavoriteNames(input.data(), input.size());

    const size_t lines = std::count_if(input.begin(), input.end(), [](char c) { return c == '\n' || c == '\r'; }) + 1;
    FUZZ_CHECK(names.size() <= lines);
    std::set<std::string> seen;
    std::string written;
    for (const wxString& name : names)
    {
        const std::string bytes = name.ToStdString();
        FUZZ_CHECK(!bytes.empty() && bytes.size() == name.length());
        FUZZ_CHECK(std::all_of(bytes.begin(), bytes.end(), IsNameChar));
        FUZZ_CHECK(seen.insert(bytes).second);
        FUZZ_CHECK(IsWholeRunIn(bytes, input));
        written += bytes + (written.size() % 2 ? "\r\n" : "\n");
    }
    FUZZ_CHECK(ReadFavoriteNames(written.data(), written.size()) == names);
    return 0;
}
