// The login check's request and the favourites read from its reply.
#include "site/LoginCheck.h"

#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <string>

TEST(LoginCheck, RepliesGiveTheirNamesOnceInOrderWithEveryLineCounted)
{
    struct Case
    {
        const char* name;
        std::string body;
        const char* favorites;
    };
    const Case cases[] = {
        {"three lines, each ended", "anna\nbert\ncarl\n", "anna,bert,carl,"},
        {"last line without a break", "anna\nbert\ncarl", "anna,bert,carl,"},
        {"CR LF and CR breaks", "anna\r\nbert\rcarl\r\n", "anna,bert,carl,"},
        {"a colon, a name and a second word", ":name word\n", "name,"},
        {"a repeated name", "anna\nbert\nanna\n", "anna,bert,"},
        {"an empty reply", "", ""},
        {"lines without a name", "\n-- !!\n\r\n  \n", ""},
        {"digits and underscores belong to the name", "  Mia_Heart67-x\n", "Mia_Heart67,"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.favorites, JoinFavoriteNames(ReadFavoriteNames(c.body.data(), c.body.size())));
    }
}

TEST(LoginCheck, FavouritesTakeTheSiteStatusOrAreOffline)
{
    UserList current;
    current.AddUser(User("anna", 0x03));
    current.AddUser(User("carl", 0x0D));
    EXPECT_EQ((Statuses{{"anna", 0x03}, {"bert", 0}}), StatusesOf(MakeFavoriteList({"anna", "bert"}, current)));
}

TEST(LoginCheck, CredentialsArePercentEncoded)
{
    struct Case
    {
        wxString text;
        const char* encoded;
    };
    const Case cases[] = {
        {"demo", "demo"},
        {"p&ss #1%", "p%26ss%20%231%25"},
        {"a+b=c?d/e", "a%2Bb%3Dc%3Fd%2Fe"},
        {"-._~AZaz09", "-._~AZaz09"},
        {wxString::FromUTF8("\xC3\xA9"), "%C3%A9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.encoded, PercentEncode(c.text)) << c.text;
    EXPECT_EQ("/loginchecker?username=a%26b&password=%3D", LoginCheckPath("a&b", "="));
}
