// The performer list parser over real-looking files: names, status bits, line ends, odd bytes.
#include "site/PerformerListParser.h"

#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace
{
std::string ReadDataFile(const std::string& name)
{
    std::ifstream in(std::string(SOLVANE_TEST_DATA) + "/performers/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Statuses Parse(const std::string& data)
{
    PerformerListParser parser;
    UserList users;
    EXPECT_TRUE(parser.Parse(data, users));
    return StatusesOf(users);
}

// The status after each order of category words, the performer named after its order.
const Statuses kCategoryOrders = {
    {"online", 0x01}, {"free", 0x03}, {"busy", 0x0D}, {"public", 0x0D}, {"private", 0x15},
    {"online_online", 0x01}, {"online_free", 0x03}, {"online_busy", 0x0D}, {"online_public", 0x0D},
    {"online_private", 0x15},
    {"free_online", 0x03}, {"free_free", 0x03}, {"free_busy", 0x0D}, {"free_public", 0x0D},
    {"free_private", 0x15},
    {"busy_online", 0x0D}, {"busy_free", 0x03}, {"busy_busy", 0x0D}, {"busy_public", 0x0D},
    {"busy_private", 0x15},
    {"public_online", 0x0D}, {"public_free", 0x03}, {"public_busy", 0x0D}, {"public_public", 0x0D},
    {"public_private", 0x15},
    // "busy" after "private" keeps the show private; "public" after it makes it public.
    {"private_online", 0x15}, {"private_free", 0x03}, {"private_busy", 0x15}, {"private_public", 0x0D},
    {"private_private", 0x15},
    {"online_busy_public", 0x0D}, {"online_busy_private", 0x15},
    {"private_public_busy", 0x0D}, {"private_free_busy", 0x0D}, {"public_private_busy", 0x15},
    {"busy_private_free_online", 0x03},
};

const Statuses kLineEnds = {{"alpha", 0x15}, {"beta", 0x03}, {"gamma", 0x0D}};
} // namespace

TEST(PerformerListParserTest, FilesGiveTheirPerformersAndStatuses)
{
    struct Case
    {
        const char* file;
        Statuses expected;
    };
    const Case cases[] = {
        {"typical.js", {{"AmberRose07", 0x03}, {"Luna_Star", 0x0D}, {"MissKitty42", 0x15}, {"sweetpeach", 0x01}}},
        {"category-orders.js", kCategoryOrders},
        // Words compare exactly; a word is matched anywhere in its line, so "not_free" says "free".
        {"unknown-words.js", {{"plain", 0x00}, {"inside", 0x03}}},
        // Category lines before the first performer count for it.
        {"categories-before-first.js", {{"first", 0x0D}, {"second", 0x03}}},
        {"same-name-twice.js", {{"x", 0x15}, {"y", 0x03}}},
        {"no-category.js", {{"a", 0x00}, {"b", 0x01}, {"c", 0x00}}},
        {"empty.js", {}},
        {"no-performers.js", {}},
        {"line-ends-lf.js", kLineEnds},
        {"line-ends-cr.js", kLineEnds},
        {"line-ends-crlf.js", kLineEnds},
        {"line-ends-mixed.js", kLineEnds},
        // The last line counts, with or without a line break after it.
        {"last-line-break.js", {{"x", 0x15}}},
        {"last-line-no-break.js", {{"x", 0x15}}},
        {"last-line-empty.js", {{"x", 0x15}}},
        {"last-line-crlf-no-break.js", {{"x", 0x0D}}},
        {"last-line-performer.js", {{"x", 0x15}, {"y", 0x00}}},
        // A dot of the patterns is any character; a line that matches neither pattern ("c",
        // "d", "e") starts no performer, so their categories go to "b".
        {"dot-wildcard.js", {{"a_1", 0x01}, {"b", 0x0D}}},
        // Bytes are characters, a zero byte too; names are ASCII letters, digits and "_".
        {"binary.js", {{"g_1", 0x15}, {"h", 0x03}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(c.expected, Parse(ReadDataFile(c.file)));
    }
}

TEST(PerformerListParserTest, PauseFollowsEveryPerformerAndCanAbandonTheParse)
{
    const std::string data = ReadDataFile("same-name-twice.js");
    PerformerListParser parser;
    UserList users;
    int pauses = 0;
    EXPECT_TRUE(parser.Parse(data, users, [&] {
        ++pauses;
        return true;
    }));
    // Three viewers lines, two of them for the same name.
    EXPECT_EQ(3, pauses);
    EXPECT_EQ(2u, users.GetCount());

    pauses = 0;
    EXPECT_FALSE(parser.Parse(data, users, [&] {
        ++pauses;
        return false;
    }));
    EXPECT_EQ(1, pauses);
    EXPECT_EQ((Statuses{{"x", 0x0D}}), StatusesOf(users));

    // The pause after the last performer can abandon the parse as well.
    pauses = 0;
    EXPECT_FALSE(parser.Parse(ReadDataFile("last-line-no-break.js"), users, [&] {
        ++pauses;
        return false;
    }));
    EXPECT_EQ(1, pauses);
}

TEST(PerformerListParserTest, AParserIsReusedWithAFreshListEachTime)
{
    PerformerListParser parser;
    UserList users;
    users.AddUser(User("leftover", 0x01));
    EXPECT_TRUE(parser.Parse(ReadDataFile("no-category.js"), users));
    EXPECT_TRUE(parser.Parse(ReadDataFile("last-line-no-break.js"), users));
    EXPECT_EQ((Statuses{{"x", 0x15}}), StatusesOf(users));
    EXPECT_TRUE(parser.Parse("", users));
    EXPECT_TRUE(users.IsEmpty());
}

// Lines of a mebibyte, as the site has sent: a long run of letters makes the wildcard
// patterns retry from every position, which must not happen on lines that cannot match.
TEST(PerformerListParserTest, VeryLongLinesAreReadWholeAndQuickly)
{
    const std::string letters(1 << 20, 'q');
    std::string words = "// ";
    const char* const kWords[] = {"lorem ", "ipsum ", "dolor ", "performer ", "online "};
    for (size_t i = 0; words.size() < (1 << 20); ++i)
        words += kWords[i % 5];
    const std::string data = words + "\n" +
                             "a.viewers = 1;\n" +
                             letters + " = 5;\n" +
                             "busy_performers.add(a);\n" +
                             letters + "7 viewers\n" +
                             letters + ".viewers = 2;\n" +
                             "private_performers.add(" + letters + ");\n" +
                             words;

    const auto start = std::chrono::steady_clock::now();
    const Statuses got = Parse(data);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ((Statuses{{"a", 0x0D}, {letters, 0x15}}), got);
    EXPECT_LT(elapsed, std::chrono::seconds(2));
}

// 10,000 performers as the site writes them, about 40,000 lines, without the pauses.
TEST(PerformerListParserTest, TenThousandPerformersParseWellUnderASecond)
{
    const int kPerformers = 10000;
    const char* const kShows[][2] = {{"free", nullptr}, {"busy", "public"}, {"busy", "private"}};
    std::ostringstream out;
    out << "// online performers, refreshed by the server on every request\n"
           "var online_performers = new Set();\n\n";
    int lines = 3;
    for (int i = 0; i < kPerformers; ++i)
    {
        const std::string name = "Performer_" + std::to_string(i);
        out << name << ".viewers = " << i % 97 << ";\n";
        if (i % 3 == 0)
        {
            out << name << ".hd = true;\n";
            ++lines;
        }
        out << "online_performers.add(" << name << ");\n";
        lines += 2;
        for (const char* show : kShows[i % 3])
        {
            if (show)
            {
                out << show << "_performers.add(" << name << ");\n";
                ++lines;
            }
        }
        if (i % 100 == 0)
        {
            out << "// -- " << i << " --\n";
            ++lines;
        }
    }
    const std::string data = out.str();

    PerformerListParser parser;
    UserList users;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(parser.Parse(data, users));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::cout << "[ measured ] " << kPerformers << " performers, " << lines << " lines, " << data.size()
              << " bytes parsed in " << elapsed.count() << " ms" << std::endl;

    ASSERT_EQ(static_cast<size_t>(kPerformers), users.GetCount());
    EXPECT_EQ(0x03u, users.GetUser("Performer_0").GetStatus());
    EXPECT_EQ(0x0Du, users.GetUser("Performer_1").GetStatus());
    EXPECT_EQ(0x15u, users.GetUser("Performer_9998").GetStatus());
    EXPECT_EQ(0x03u, users.GetUser("Performer_9999").GetStatus());
    EXPECT_LT(elapsed, std::chrono::seconds(1));
}
