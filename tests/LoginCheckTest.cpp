// The favourites read from the login check's reply.
#include "site/LoginCheck.h"

#include <gtest/gtest.h>

// The reply names each favourite once, every line counted. (Their statuses from the current list
// show in the account tests.)
TEST(LoginCheck, EveryLineOfTheReplyCounts)
{
    const std::pair<std::string, const char*> cases[] = {
        {"anna\nbert\ncarl\n", "anna,bert,carl,"}, // the last line counts with its break
        {"anna\r\nbert\rcarl", "anna,bert,carl,"}, // and without one; CR LF and CR end lines too
        {":name word\n", "name,"},
        {"anna\nbert\nanna\n", "anna,bert,"},
        {"", ""},
        {"\n-- !!\n\r\n  \n", ""},
        {"  Mia_Heart67-x\n", "Mia_Heart67,"},
    };
    for (const auto& [body, favorites] : cases)
        EXPECT_EQ(favorites, JoinFavoriteNames(ReadFavoriteNames(body.data(), body.size()))) << body;
}
