// The favourites the login check's reply names, and how they are kept.
#include "site/LoginCheck.h"

#include "util/Trace.h"

#include <string>
#include <unordered_set>

namespace
{
// The class of "[[:alnum:]_]" as the toolkit's expressions have it here: ASCII only.
bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsLineBreak(char c)
{
    return c == '\n' || c == '\r';
}
} // namespace

std::vector<wxString> ReadFavoriteNames(const char* body, size_t length)
{
    SOLVANE_TRACE("[static]ReadFavoriteNames(%zu)", length);
    std::vector<wxString> names;
    std::unordered_set<std::string> seen;
    size_t position = 0;
    while (position < length)
    {
        size_t end = position;
        while (end < length && !IsLineBreak(body[end]))
            ++end;
        size_t start = position;
        while (start < end && !IsNameChar(body[start]))
            ++start;
        size_t stop = start;
        while (stop < end && IsNameChar(body[stop]))
            ++stop;
        if (stop > start)
        {
            std::string name(body + start, stop - start);
            if (seen.insert(name).second)
                names.push_back(wxString::FromAscii(name.c_str()));
        }
        // An empty line between CR and LF names nobody, so each break character may end a line.
        position = end + 1;
    }
    return names;
}

UserList MakeFavoriteList(const std::vector<wxString>& names, const UserList& current)
{
    SOLVANE_TRACE("[static]MakeFavoriteList(%zu, %zu)", names.size(), current.GetCount());
    UserList favorites;
    for (const wxString& name : names)
    {
        const User* online = current.FindUser(name);
        favorites.AddUser(online ? *online : User(name, 0));
    }
    return favorites;
}

wxString JoinFavoriteNames(const std::vector<wxString>& names)
{
    wxString joined;
    for (const wxString& name : names)
        joined += name + ",";
    return joined;
}
