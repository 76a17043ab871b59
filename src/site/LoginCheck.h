// The favourites the login check's reply names, and how they are kept.
#pragma once

#include "model/UserList.h"

#include <wx/string.h>

#include <cstddef>
#include <vector>

/// The favourite names of a reply, in order of first appearance, each once. Every line counts
/// (LF, CR or CR LF ends one; the last with or without a break); a line's name is its first
/// run of ASCII letters, digits and underscores, and a line without one names nobody.
std::vector<wxString> ReadFavoriteNames(const char* body, size_t length);

/// One user per name: the site's current one when it lists the name, otherwise offline (0).
UserList MakeFavoriteList(const std::vector<wxString>& names, const UserList& current);

/// The stored form of the favourites: every name followed by a comma ("" for none).
wxString JoinFavoriteNames(const std::vector<wxString>& names);
