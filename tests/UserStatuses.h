// Test helper: a user list as a sorted map from name to status, easy to write, compare and print.
#pragma once

#include "model/UserList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

using Statuses = std::map<std::string, uint32_t>;

inline Statuses StatusesOf(const UserList& users)
{
    Statuses statuses;
    for (const auto& entry : users)
    {
        EXPECT_EQ(entry.first, entry.second.GetName());
        // A copy converted: the toolkit keeps a conversion inside the string, and names are shared.
        statuses[wxString(entry.first).utf8_string()] = entry.second.GetStatus();
    }
    return statuses;
}

inline UserList ListOf(const Statuses& statuses)
{
    UserList list;
    for (const auto& [name, status] : statuses)
        list.AddUser(User(wxString::FromUTF8(name), status));
    return list;
}
