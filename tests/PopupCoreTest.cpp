// What pop-ups rest on without a display: the waiting line, names in addresses and picture
// headers.
#include "model/PopupChoice.h"
#include "model/PopupGate.h"
#include "model/PopupQueue.h"
#include "util/ImageHeader.h"
#include "util/UrlEncode.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>

namespace
{
// A waiting line driven by a script of words, each one step:
//   +NAME   NAME comes online (+NAME/free: becomes free; +NAME!: a favourite)
//   ~NAME=S NAME's status is now S (hex)      -NAME   NAME left the list
//   @MS     the clock shows MS                 >       the next pop-up shown, its slot at once free
// Gives the names shown by ">" ("." when none could be), then the drops by reason (left, untrue,
// old, full, replaced) and what still waits.
std::string Play(const std::string& script, int slots)
{
    PopupQueue queue(4);
    long long now = 0;
    std::string shown;
    std::istringstream words(script);
    for (std::string word; words >> word;)
    {
        const std::string name = word.substr(1, word.find_first_of("/!=") - 1);
        const PopupKind kind = word.find("/free") != std::string::npos ? POPUP_FREE : POPUP_ONLINE;
        switch (word[0])
        {
        case '+':
            queue.Add({User(name, kind == POPUP_FREE ? 0x03 : 0x01), kind, word.back() == '!', now}, slots);
            break;
        case '~': queue.Follow(User(name, std::stoul(word.substr(word.find('=') + 1), nullptr, 16))); break;
        case '-': queue.Forget(name); break;
        case '@': now = std::stoll(word.substr(1)); break;
        case '>': {
            PopupQueue::Entry next;
            int slot = 0;
            if (!queue.TakeNext(1, now, next, slot))
                shown += ". ";
            else
            {
                shown += next.user.GetName().ToStdString() + (next.kind == POPUP_FREE ? "/free " : " ");
                queue.DownloadEnded();
                queue.Release(slot);
            }
            break;
        }
        }
    }
    std::string result = shown + "|";
    for (int reason = 0; reason < PopupQueue::DROP_HELD_BACK; ++reason)
        result += " " + std::to_string(queue.GetDropCount(static_cast<PopupQueue::DropReason>(reason)));
    return result + " | " + std::to_string(queue.GetWaitingCount());
}

// "+p0 +p1 ..." (with another prefix, or "!" after each for favourites).
std::string Arrivals(int count, const std::string& prefix = "p", const char* suffix = "")
{
    std::string script;
    for (int i = 0; i < count; ++i)
        script += "+" + prefix + std::to_string(i) + suffix + " ";
    return script;
}
} // namespace

// Only news is shown: nobody who left, went offline or is busy again; the newest first, a
// favourite before everyone; nothing that waited over 30 s; and the line holds three pop-ups a
// slot, keeping favourites and the newest.
TEST(PopupQueueTest, ShowsOnlyTrueAndFreshPopUpsNewestAndFavouritesFirstInABoundedLine)
{
    // The script, the slots, and: shown | dropped as left untrue old full replaced | waiting.
    const std::tuple<std::string, int, const char*> cases[] = {
        {"+a +b -a > >", 6, "b . | 1 0 0 0 0 | 0"},
        {"+a/free ~a=0d +b/free ~b=03 +c ~c=0d +d ~d=00 > > >", 6, "c b/free . | 0 2 0 0 0 | 0"},
        {Arrivals(100) + "> >", 40, "p99 p98 | 0 0 0 0 0 | 98"},
        {"+a! @1 +b @2 +c! @3 +d > > > >", 6, "c a d b | 0 0 0 0 0 | 0"},
        {"@10 +a @20 +b @30010 > > @30021 >", 6, "b a . | 0 0 0 0 0 | 0"},
        {"@10 +a @20 +b @30011 > >", 6, "b . | 0 0 1 0 0 | 0"},
        {"+a +a/free >", 6, "a/free | 0 0 0 0 1 | 0"},
        {Arrivals(100), 2, "| 0 0 0 94 0 | 6"},
        {Arrivals(6, "f", "!") + Arrivals(10) + "> > > > > > >", 2, "f5 f4 f3 f2 f1 f0 . | 0 0 0 10 0 | 0"},
    };
    for (const auto& [script, slots, expected] : cases)
        EXPECT_EQ(expected, Play(script, slots)) << script;
}

namespace
{
// The gate driven by a script as above, with "*" for "always", "#" for "never", "-NAME" for one
// who left, "@S" the steady clock in seconds, "h=HH:MM" the local time, "F" a full-screen window.
// Gives the names started by ">", then held back online and free, then the names remembered.
std::string Gate(const std::string& script, PopupGate::Rules rules, int slots = 6)
{
    PopupGate gate(4);
    gate.SetRules(rules);
    long long now = 0;
    int minute = 12 * 60;
    std::string shown;
    std::istringstream words(script);
    for (std::string word; words >> word;)
    {
        const std::string name = word.substr(1, word.find_first_of("/!*#") - 1);
        const PopupKind kind = word.find("/free") != std::string::npos ? POPUP_FREE : POPUP_ONLINE;
        const PopupChoice choice = word.find('#') != std::string::npos   ? CHOICE_NEVER
                                   : word.find('*') != std::string::npos ? CHOICE_ALWAYS
                                                                         : CHOICE_AS_SETTINGS;
        PopupQueue::Entry next;
        int slot = 0;
        switch (word[0])
        {
        case '+':
            gate.Offer(User(name, 0x03), kind, word.find('!') != std::string::npos, choice, now, minute, slots);
            break;
        case '-': gate.Left(name, now); break;
        case '@': now = std::stoll(word.substr(1)) * 1000; break;
        case 'h': minute = PopupGate::ParseClockTime(word.substr(2), -1); break;
        case 'F': gate.HoldWaiting(); break;
        case '>':
            if (!gate.TakeNext(slots, now, next, slot))
                shown += ". ";
            else
            {
                shown += next.user.GetName().ToStdString() + (next.kind == POPUP_FREE ? "/free " : " ");
                gate.GetQueue().DownloadEnded();
                gate.GetQueue().Release(slot);
            }
            break;
        }
    }
    return shown + "| " + std::to_string(gate.GetHeldCount(POPUP_ONLINE)) + " " +
           std::to_string(gate.GetHeldCount(POPUP_FREE)) + " | " + std::to_string(gate.GetRememberedCount());
}
} // namespace

// The cap per minute, sliding, with favourites and "always" first and "always" past it; "never"
// over favourites; flapping for both kinds; quiet hours across midnight; a pause over "always";
// what the cap, the crowded line, quiet hours and full screen hold back is counted.
TEST(PopupGateTest, CapChoicesFlappingAndQuietHoursDecideWhatShowsAndWhatTheSummaryCounts)
{
    PopupGate::Rules cap3, cap2, noCap, onlyFavorites, quiet, paused;
    cap3.perMinute = 3;
    cap2.perMinute = 2;
    noCap.perMinute = onlyFavorites.perMinute = quiet.perMinute = 0;
    onlyFavorites.onlyFavorites = true;
    quiet.quietHours = true;
    quiet.quietFrom = 22 * 60;
    quiet.quietTo = 7 * 60;
    paused.paused = true;
    const std::tuple<std::string, PopupGate::Rules, int, const char*> cases[] = {
        {"+a +b +c +d +e > > > > > @30 +f > @59 +g > @60 +h >", cap3, 6, "e d c . . . . h | 4 0 | 0"},
        {"+a +b +c +d +e > > > > >", noCap, 6, "e d c b a | 0 0 | 0"},
        {"+a +b! +c* +d +e > > > +f* > +g/free >", cap2, 6, "c b . f . | 3 1 | 1"},
        {"+a! +b!# +c +d* > > >", onlyFavorites, 6, "d a . | 0 0 | 0"},
        {"+a > +b/free > @10 -a @60 +b/free > @119 +a > @121 +b/free > @131 +a >", noCap, 6,
         "a b/free . . b/free a | 0 0 | 1"},
        {"h=21:59 +a > h=22:00 +b > h=23:00 +c* > h=03:00 +d/free > h=06:59 +e > h=07:00 +f >", quiet, 6,
         "a . . . . f | 3 1 | 1"},
        {"+a* +b! > >", paused, 6, ". . | 0 0 | 0"},
        {"+a +b +c +d +e +f/free F >", PopupGate::Rules(), 1, ". | 5 1 | 1"},
        {"+a +b +c +d +e", PopupGate::Rules(), 1, "| 2 0 | 0"},
        {"+a +b +c +d +e", noCap, 1, "| 0 0 | 0"},
    };
    for (const auto& [script, rules, slots, expected] : cases)
        EXPECT_EQ(expected, Gate(script, rules, slots)) << script;
    const std::pair<const char*, int> times[] = {{"07:30", 450}, {"7:05", 425}, {"23:59", 1439}, {"24:00", -1},
                                                 {"12:60", -1},  {"1230", -1},  {" 7:05", -1},   {"", -1}};
    for (const auto& [text, minute] : times)
        EXPECT_EQ(minute, PopupGate::ParseClockTime(text, -1)) << text;
}

// Names keep letters, digits and underscores; query values (the account) also "-._~".
TEST(UrlEncodeTest, NamesAndQueryValuesKeepOnlyTheirSafeCharacters)
{
    // The text, as a name, as a query value.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"Luna_Star07", "Luna_Star07", "Luna_Star07"},
        {"x/../y?z=1&w#", "x%2F%2E%2E%2Fy%3Fz%3D1%26w%23", "x%2F..%2Fy%3Fz%3D1%26w%23"},
        {"p&ss #1%", "p%26ss%20%231%25", "p%26ss%20%231%25"},
        {"a+b=-~", "a%2Bb%3D%2D%7E", "a%2Bb%3D-~"},
        {"\xC3\xA9mi", "%C3%A9mi", "%C3%A9mi"},
        {"", "", ""},
    };
    for (const auto& [text, name, value] : cases)
    {
        EXPECT_EQ(name, PercentEncodeName(wxString::FromUTF8(text)).ToStdString()) << text;
        EXPECT_EQ(value, PercentEncodeQueryValue(wxString::FromUTF8(text)).ToStdString()) << text;
    }
}

TEST(ImageHeaderTest, ReadsTheSizeOfJpegAndPngAndNothingElse)
{
    const std::string png =
        std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + std::string("\0\0\x10\x01\0\0\0\x02", 8); // 4097 x 2
    // Start of image, an APP0 segment, then a progressive frame header: 300 high, 400 wide.
    const std::string jpeg("\xFF\xD8\xFF\xE0\0\x04\x61\x62\xFF\xC2\0\x11\x08\x01\x2C\x01\x90", 17);
    const std::tuple<std::string, ImageHeader::Format, uint32_t, uint32_t> cases[] = {
        {png, ImageHeader::PNG, 4097, 2},
        {jpeg, ImageHeader::JPEG, 400, 300},
        {jpeg.substr(0, 14), ImageHeader::UNKNOWN, 0, 0},                       // cut short
        {std::string("\xFF\xD8\xFF\xDA\0\x02", 6), ImageHeader::UNKNOWN, 0, 0}, // no frame
        {png.substr(0, 16) + std::string(8, '\0'), ImageHeader::UNKNOWN, 0, 0}, // size 0
        {"GIF89a\x01\0\x01\0", ImageHeader::UNKNOWN, 0, 0},
        {"", ImageHeader::UNKNOWN, 0, 0},
    };
    for (const auto& [bytes, format, width, height] : cases)
    {
        const ImageHeader header = ImageHeader::Read(bytes.data(), bytes.size());
        EXPECT_EQ(std::tuple(format, width, height), std::tuple(header.format, header.width, header.height))
            << testing::PrintToString(bytes);
    }
}

// The always and never lists: never wins, a name is kept once and whole, a hand edit without
// its last comma does not glue two names together, and a name with a comma is refused.
TEST(PopupChoiceTest, ListsKeepWholeNamesOnceAndNeverWins)
{
    EXPECT_EQ(CHOICE_NEVER, PopupChoiceFor("ann,bo,", "bo,", "bo"));
    EXPECT_EQ(CHOICE_ALWAYS, PopupChoiceFor("ann,bo,", "bob,", "bo"));
    EXPECT_EQ(CHOICE_AS_SETTINGS, PopupChoiceFor("ann,", "", "an"));
    const std::tuple<const char*, const char*, const char*, const char*> edits[] = {
        {"ann,", "bo", "ann,bo,", "ann,"},
        {"ann,bo,", "ann", "ann,bo,", "bo,"},
        {"ann", "bo", "ann,bo,", "ann,"},
        {"ann,,bo,", "x,y", "ann,,bo,", "ann,bo,"},
        {"", "", "", ""},
    };
    for (const auto& [list, name, with, without] : edits)
    {
        EXPECT_EQ(with, WithName(list, name)) << list << " + " << name;
        EXPECT_EQ(without, WithoutName(list, name)) << list << " - " << name;
    }
}
