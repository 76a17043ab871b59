// The everyday-use logic without windows: server addresses, the pause's end and the quiet
// retries' delays. (The name filter shows in the search field's test.)
#include "model/PopupPause.h"
#include "site/RetryBackoff.h"
#include "util/ServerAddress.h"

#include <gtest/gtest.h>

#include <wx/datetime.h>

#include <cstdlib>
#include <ctime>
#include <tuple>

namespace
{
// A local time in the zone the test set.
std::time_t LocalTime(int year, int month, int day, int hour, int minute)
{
    return wxDateTime(day, static_cast<wxDateTime::Month>(month - 1), year, hour, minute).GetTicks();
}
} // namespace

TEST(EverydayTest, ServerAddressesAsTheDialogChecksThem)
{
    // clang-format off
    const std::pair<const char*, bool> cases[] = {
        {"", false},           {"host:", false},       {"host:99999", false},   {"host:0", false},
        {"host:80a", false},   {"a b", false},         {"http://x", false},     {"site.example/path", false},
        {"a..b", false},       {"-a.example", false},  {"a-.example", false},   {"[::1", false},
        {"[::1]8080", false},  {"[xyz::1]:80", false}, {"site.example", true},  {"localhost", true},
        {"127.0.0.1:8080", true}, {"[::1]:8080", true}, {"[::1]", true},        {"my-host.example:65535", true},
    };
    // clang-format on
    for (const auto& [address, valid] : cases)
        EXPECT_EQ(valid, IsValidServerAddress(address)) << '"' << address << '"';
}

// "Until tomorrow 06:00" is the next 06:00: the next day's in the evening, the same day's after
// midnight, and six hours of wall clock across the night the clocks go forward.
TEST(EverydayTest, PauseEndsAcrossMidnightAndTheClockChange)
{
    // No other test here reads the local time.
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const std::tuple<const char*, PopupPause::Length, std::time_t, long long> cases[] = {
        {"evening", PopupPause::UNTIL_MORNING, LocalTime(2024, 5, 14, 23, 30), LocalTime(2024, 5, 15, 6, 0)},
        {"after midnight", PopupPause::UNTIL_MORNING, LocalTime(2024, 5, 15, 0, 30), LocalTime(2024, 5, 15, 6, 0)},
        {"at six", PopupPause::UNTIL_MORNING, LocalTime(2024, 5, 15, 6, 0), LocalTime(2024, 5, 16, 6, 0)},
        {"end of month", PopupPause::UNTIL_MORNING, LocalTime(2024, 12, 31, 22, 0), LocalTime(2025, 1, 1, 6, 0)},
        {"clocks go forward", PopupPause::UNTIL_MORNING, LocalTime(2024, 3, 30, 23, 0),
         LocalTime(2024, 3, 30, 23, 0) + 6 * 3600},
        {"one hour", PopupPause::ONE_HOUR, LocalTime(2024, 5, 14, 23, 30), LocalTime(2024, 5, 15, 0, 30)},
        {"until resumed", PopupPause::UNTIL_RESUMED, LocalTime(2024, 5, 14, 23, 30), PopupPause::kUntilResumed},
    };
    for (const auto& [name, length, start, end] : cases)
        EXPECT_EQ(end, PopupPause::EndFor(length, start)) << name;
    unsetenv("TZ");
    tzset();

    const std::time_t now = 1700000000;
    const std::pair<long long, bool> states[] = {
        {0, false}, {PopupPause::kUntilResumed, true}, {now + 1, true}, {now, false}, {now - 60, false}};
    for (const auto& [stored, paused] : states)
        EXPECT_EQ(paused, PopupPause::IsPaused(stored, now)) << stored;
}

TEST(EverydayTest, QuietRetriesDoubleUpToTheLongestDelay)
{
    // Failures so far, the first delay, the longest, and the delay now.
    const std::tuple<int, long long, long long, long long> cases[] = {
        {1, 3000, 300000, 3000},      {2, 3000, 300000, 6000}, {7, 3000, 300000, 192000}, {8, 3000, 300000, 300000},
        {1000, 3000, 300000, 300000}, {1, 3000, 1000, 1000},   {3, 3000, 10000, 10000}};
    for (const auto& [failures, first, longest, delay] : cases)
        EXPECT_EQ(delay, RetryDelayMilliseconds(failures, first, longest)) << failures;
}
