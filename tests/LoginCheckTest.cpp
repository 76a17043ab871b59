// The login check's request and the favourites read from its reply.
#include "site/LoginCheck.h"

#include "UserStatuses.h"

#include <gtest/gtest.h>

// The account goes out percent-encoded; the reply names each favourite once, every line counted.
TEST(LoginCheck, RequestCarriesTheAccountEncodedAndEveryLineOfTheReplyCounts)
{
    EXPECT_EQ("/loginchecker?username=a%26b&password=%3D", LoginCheckPath("a&b", "="));
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

    UserList current;
    current.AddUser(User("anna", 0x03));
    current.AddUser(User("carl", 0x0D));
    EXPECT_EQ((Statuses{{"anna", 0x03}, {"bert", 0}}), StatusesOf(MakeFavoriteList({"anna", "bert"}, current)));
}
