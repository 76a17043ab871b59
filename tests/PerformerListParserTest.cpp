// The performer list parser over real-looking files: names, status bits, line ends, odd bytes.
#include "site/PerformerListParser.h"

#include "TestFiles.h"
#include "TimeLimit.h"
#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <chrono>
#include <cstdlib>
#include <iterator>
#include <new>
#include <random>
#include <sstream>
#include <string>
#include <tuple>

namespace
{
// The heap the watching thread holds beyond what it held when it began watching, and the most of
// it at any moment. (A block allocated before and freed while watching counts as given back.)
thread_local bool watching = false;
long long held = 0, mostHeld = 0;

void* Counted(void* block)
{
    if (block && watching)
    {
        held += static_cast<long long>(malloc_usable_size(block));
        mostHeld = std::max(mostHeld, held);
    }
    return block;
}

void Uncounted(void* block)
{
    if (block && watching)
        held -= static_cast<long long>(malloc_usable_size(block));
    std::free(block);
}
} // namespace

void* operator new(size_t size)
{
    if (void* block = Counted(std::malloc(size ? size : 1)))
        return block;
    throw std::bad_alloc();
}
// The sanitizers bring their own allocation functions: every form that a replaced delete may
// free must come from here too.
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return Counted(std::malloc(size ? size : 1));
}
__attribute__((noinline)) void operator delete(void* block) noexcept
{
    Uncounted(block);
}
__attribute__((noinline)) void operator delete(void* block, size_t) noexcept
{
    Uncounted(block);
}

namespace
{
// The most heap a parse of data held beyond its input, and what it found.
long long ParseHeap(const std::string& data, Statuses& found)
{
    PerformerListParser parser;
    UserList users;
    held = mostHeld = 0;
    watching = true;
    EXPECT_TRUE(parser.Parse(data, users));
    watching = false;
    found = StatusesOf(users);
    return mostHeld;
}

// The patterns applied to each whole line, the plain way: what the parser must agree with.
Statuses ParseByWholeLines(const std::string& data)
{
    wxRegEx viewers("([[:alnum:]_]+).viewers = ([[:digit:]]+)", wxRE_EXTENDED);
    wxRegEx category("([[:alpha:]]+)_performers.add\\(([[:alnum:]_]+)\\)", wxRE_EXTENDED);
    Statuses statuses;
    std::string name;
    bool hasPerformer = false, skipping = false; // skipping: after a name too long, nobody's categories
    uint32_t bits = 0;
    std::istringstream in(data);
    for (std::string line; std::getline(in, line);)
    {
        const wxString text(line.data(), wxConvISO8859_1, line.size());
        if (viewers.Matches(text))
        {
            if (hasPerformer)
                statuses[name] = bits, bits = 0;
            name = viewers.GetMatch(text, 1).utf8_string();
            skipping = name.size() > PerformerListParser::kMaxNameBytes;
            hasPerformer = !skipping;
        }
        else if (category.Matches(text) && !skipping &&
                 category.GetMatch(text, 2).size() <= PerformerListParser::kMaxNameBytes)
        {
            bits = PerformerListParser::ApplyCategory(bits, category.GetMatch(text, 1));
        }
    }
    if (hasPerformer)
        statuses[name] = bits;
    return statuses;
}
} // namespace

TEST(PerformerListParserTest, FilesGiveTheirPerformersAndStatuses)
{
    // The status after each order of category words, the performer named after its order.
    // "busy" after "private" keeps the show private; "public" after it makes it public.
    // clang-format off
    const Statuses categoryOrders = {
        {"online", 0x01}, {"free", 0x03}, {"busy", 0x0D}, {"public", 0x0D}, {"private", 0x15}, {"online_online", 0x01},
        {"online_free", 0x03}, {"online_busy", 0x0D}, {"online_public", 0x0D}, {"online_private", 0x15},
        {"free_online", 0x03}, {"free_free", 0x03}, {"free_busy", 0x0D}, {"free_public", 0x0D}, {"free_private", 0x15},
        {"busy_online", 0x0D}, {"busy_free", 0x03}, {"busy_busy", 0x0D}, {"busy_public", 0x0D}, {"busy_private", 0x15},
        {"public_online", 0x0D}, {"public_free", 0x03}, {"public_busy", 0x0D}, {"public_public", 0x0D},
        {"public_private", 0x15}, {"private_online", 0x15}, {"private_free", 0x03}, {"private_busy", 0x15},
        {"private_public", 0x0D}, {"private_private", 0x15}, {"online_busy_public", 0x0D}, {"online_busy_private", 0x15},
        {"private_public_busy", 0x0D}, {"private_free_busy", 0x0D}, {"public_private_busy", 0x15},
        {"busy_private_free_online", 0x03}};
    const Statuses lineEnds = {{"alpha", 0x15}, {"beta", 0x03}, {"gamma", 0x0D}};
    const std::pair<const char*, Statuses> cases[] = {
        {"typical.js", {{"AmberRose07", 0x03}, {"Luna_Star", 0x0D}, {"MissKitty42", 0x15}, {"sweetpeach", 0x01}}},
        {"category-orders.js", categoryOrders},
        // Words compare exactly; a word is matched anywhere in its line, so "not_free" says "free".
        {"unknown-words.js", {{"plain", 0x00}, {"inside", 0x03}}},
        // Category lines before the first performer count for it.
        {"categories-before-first.js", {{"first", 0x0D}, {"second", 0x03}}},
        {"same-name-twice.js", {{"x", 0x15}, {"y", 0x03}}}, {"no-category.js", {{"a", 0x00}, {"b", 0x01}, {"c", 0x00}}},
        {"empty.js", {}}, {"no-performers.js", {}}, {"line-ends-lf.js", lineEnds}, {"line-ends-cr.js", lineEnds},
        {"line-ends-crlf.js", lineEnds}, {"line-ends-mixed.js", lineEnds},
        // The last line counts, with or without a line break after it.
        {"last-line-break.js", {{"x", 0x15}}}, {"last-line-no-break.js", {{"x", 0x15}}},
        {"last-line-empty.js", {{"x", 0x15}}}, {"last-line-crlf-no-break.js", {{"x", 0x0D}}},
        {"last-line-performer.js", {{"x", 0x15}, {"y", 0x00}}},
        // A dot of the patterns is any character; a line that matches neither pattern ("c",
        // "d", "e") starts no performer, so their categories go to "b".
        {"dot-wildcard.js", {{"a_1", 0x01}, {"b", 0x0D}}},
        // Bytes are characters, a zero byte too; names are ASCII letters, digits and "_".
        {"binary.js", {{"g_1", 0x15}, {"h", 0x03}}},
    };
    // clang-format on
    // One parser and one list for all: nothing may carry over from an earlier parse.
    PerformerListParser parser;
    UserList users;
    users.AddUser(User("leftover", 0x01));
    for (const auto& [file, expected] : cases)
    {
        const std::string data = ReadBytes(SOLVANE_TEST_DATA "/performers/" + wxString(file));
        EXPECT_NE("(none)", data) << file;
        EXPECT_TRUE(parser.Parse(data, users)) << file;
        EXPECT_EQ(expected, StatusesOf(users)) << file;
    }
}

// Lines of a mebibyte, as the site has sent, are read whole; a name that long is nobody's, and the
// categories after it go with it. A long run of letters makes the patterns retry from every
// position: on lines that cannot match, or near misses after the run, that held a stop up for
// seconds. The pause comes after each performer. (That it can end the parse, the first
// performer kept, shows in the parser's fuzz replay.)
TEST(PerformerListParserTest, LongLinesAreReadWholeAndQuicklyWithAPauseAfterEachPerformer)
{
    const std::string run(1 << 20, 'q');
    std::string words = "// ";
    while (words.size() < (1 << 20))
        words += "lorem ipsum performer online ";
    // clang-format off
    const std::tuple<std::string, Statuses, int> cases[] = {
        {words + "\na.viewers = 1;\n" + run + " = 5;\nbusy_performers.add(a);\n" + run + "7 viewers\n" + run +
             ".viewers = 2;\nprivate_performers.add(" + run + ");\n" + words,
         {{"a", 0x0D}}, 1},
        {run + "viewers = x;\n" +                          // no count
             run + ".viewers = ;\n" +                       // no count after the space
             run + "\xA0.viewers = 5;\n" +                  // not a name byte before the wildcard
             run + " _performers.add(q);\n" +               // not a word before the category
             run + "_performers.add(" + run + ";\n" +       // no closing parenthesis
             "x.viewers = x;" + run + " b.viewers = 4;\n" + // the second one counts
             run + "_performers.add(x);\n",                // no category's word
         {{"b", 0}}, 1},
        {"a.viewers = 1;\nb.viewers = 2;\nc.viewers = 3;\n", {{"a", 0}, {"b", 0}, {"c", 0}}, 3},
    };
    // clang-format on
    PerformerListParser parser;
    for (const auto& [data, expected, expectedPauses] : cases)
    {
        UserList users;
        int pauses = 0;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(parser.Parse(data, users, [&] { return ++pauses > 0; }));
        EXPECT_LT(std::chrono::steady_clock::now() - start, TimeLimit(2000));
        EXPECT_EQ(expected, StatusesOf(users));
        EXPECT_EQ(expectedPauses, pauses);
    }
}

// A list as large as the size limit lets through, a third of it one name of ten million letters in
// its statement and two categories, reads as the rest of the list alone, in the heap and the
// time that the rest alone takes; 64 bytes are a name, 65 are not. A list of more than 100,000
// performers is refused whole.
TEST(PerformerListParserTest, AHostileListCostsNoMoreThanItsPerformersAndTooManyAreRefused)
{
    std::string plain, many;
    Statuses expected;
    for (int i = 0; i < 1000; ++i)
    {
        const std::string name = "p_" + std::to_string(i);
        plain += name + ".viewers = 1;\nonline_performers.add(" + name + ");\nfree_performers.add(" + name + ");\n";
        expected[name] = 0x03;
    }
    const std::string longest(PerformerListParser::kMaxNameBytes, 'n'), tooLong = longest + "n";
    plain += longest + ".viewers = 1;\nbusy_performers.add(" + longest + ");\n";
    expected[longest] = 0x0D;
    const std::string huge(10000000, 'q');
    std::string hostile = plain.substr(0, plain.size() / 2);
    hostile = hostile.substr(0, hostile.rfind('\n') + 1) + huge + ".viewers = 9;\nonline_performers.add(" + huge +
              ");\nprivate_performers.add(" + huge + ");\n" + tooLong + ".viewers = 2;\nbusy_performers.add(" +
              tooLong + ");\n" + plain.substr(hostile.rfind('\n') + 1);

    Statuses found;
    const long long plainHeap = ParseHeap(plain, found);
    EXPECT_EQ(expected, found);
    const auto start = std::chrono::steady_clock::now();
    const long long hostileHeap = ParseHeap(hostile, found);
    EXPECT_LT(std::chrono::steady_clock::now() - start, TimeLimit(1000));
    EXPECT_EQ(expected, found);
    EXPECT_LE(hostileHeap, plainHeap + (64 << 10)) << "the rest alone takes " << plainHeap << " bytes";

    for (size_t i = 0; i <= PerformerListParser::kMaxPerformers; ++i)
        many += "p" + std::to_string(i) + ".viewers = 1\n";
    const size_t last = many.rfind('p');
    PerformerListParser parser;
    UserList users;
    EXPECT_TRUE(parser.Parse(many.substr(0, last), users));
    EXPECT_FALSE(parser.HadTooManyPerformers());
    EXPECT_EQ(PerformerListParser::kMaxPerformers, users.GetCount());
    EXPECT_FALSE(parser.Parse(many, users));
    EXPECT_TRUE(parser.HadTooManyPerformers());
    EXPECT_TRUE(users.IsEmpty());
    // Abandoned is not too many.
    EXPECT_FALSE(parser.Parse(many.substr(0, last), users, [] { return false; }));
    EXPECT_FALSE(parser.HadTooManyPerformers());
}

// Lines put together at random from the pieces of both statements and bytes around them (a run of
// 32 letters among them, two of which make a name too long): the parser finds the same performers
// and statuses as the patterns applied to each whole line and the rule on names.
TEST(PerformerListParserTest, AgreesWithThePatternsOverWholeLines)
{
    // clang-format off
    const char* const pieces[] = {"a", "Zq", "_", "7", "42", ".", " ", "=", "(", ")", ";", "\xE9", "\xA0", "\x01",
        "viewers", "viewers = ", "_performers", "add(", "free", "busy", "private", "public", "online", "x.viewers = 3",
        "busy_performers.add(x)", "free_performers.add(x)", "qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq"};
    // clang-format on
    std::mt19937 random(20261206);
    std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1), length(1, 10);
    for (int round = 0; round < 200; ++round)
    {
        std::string data;
        for (int line = 0; line < 100; ++line, data += '\n')
            for (size_t n = length(random); n > 0; --n)
                data += pieces[piece(random)];
        PerformerListParser parser;
        UserList users;
        ASSERT_TRUE(parser.Parse(data, users));
        ASSERT_EQ(ParseByWholeLines(data), StatusesOf(users)) << data;
    }
}

// Parsed into the last list, a performer still online keeps the name object that list holds, so
// that a name seen in every refresh is kept once; the last list itself, held elsewhere, is as it
// was, and the newcomer and the status change read as from a fresh list.
TEST(PerformerListParserTest, PerformersKnownBeforeKeepTheirNameObjects)
{
    const std::string first = "amber.viewers = 1;\nfree_performers.add(amber);\nluna.viewers = 2;\n"
                              "free_performers.add(luna);\n";
    const std::string second = "luna.viewers = 2;\nprivate_performers.add(luna);\nnova.viewers = 3;\n";
    PerformerListParser parser;
    UserList users;
    ASSERT_TRUE(parser.Parse(first, users));
    const UserList last = users;
    ASSERT_TRUE(parser.Parse(second, users));
    EXPECT_EQ((Statuses{{"luna", 0x15}, {"nova", 0x00}}), StatusesOf(users));
    EXPECT_EQ((Statuses{{"amber", 0x03}, {"luna", 0x03}}), StatusesOf(last));
    EXPECT_EQ(&last.GetUser("luna").GetName(), &users.GetUser("luna").GetName());
}
