// What a performer's history says in sums: the sessions online, when last seen free and busy, the
// hours online per day, and the weekly chart of the hours usually online. Computed from one
// name's events and the program's runs, without windows, for the card and the command line.
//
// A session starts with "came online" or "online at start" and ends with "went offline"; busy
// and free inside it do not split it. A session still open when its run ended (the program
// stopped, or is running still) ends at that run's last list and is marked open. Times are
// seconds since the epoch; days and hours are local, weeks start on Monday.
#pragma once

#include "history/HistoryStore.h"

#include <array>
#include <utility>
#include <vector>

struct HistorySession
{
    long long start = 0;
    long long end = 0;
    /// No "went offline" ended it: the program ended first, or it goes on still.
    bool open = false;
};

struct PerformerSummary
{
    /// Oldest first.
    std::vector<HistorySession> sessions;
    /// The ends of the last time seen online, free and busy; 0 for never.
    long long lastOnline = 0;
    long long lastFree = 0;
    long long lastBusy = 0;
    /// Online in the run that is recording now, with the status last seen.
    bool onlineNow = false;
    uint32_t statusNow = 0;
};

/// The sessions and last times of a name's events (oldest first), its run's ends taken from runs
/// (by start); currentRunStart names the run under way, 0 for none. Without runs (a file of an
/// earlier release) a session open at a run's end ends at its own last event.
PerformerSummary SummariseHistory(const std::vector<HistoryEvent>& events, const std::vector<HistoryRun>& runs,
                                  long long currentRunStart);

/// For each weekday (Monday first) and hour: on how many of the days the program was watching in
/// that hour the performer was online in it.
struct WeeklyChart
{
    static const int kDays = 7;
    static const int kHours = 24;
    std::array<std::array<int, kHours>, kDays> observed{};
    std::array<std::array<int, kHours>, kDays> online{};

    /// The share of the observed days, -1 when no such day was observed.
    double Share(int day, int hour) const;
    /// The Monday-first weekday of a time, and its hour; local.
    static std::pair<int, int> DayAndHour(long long time);
};

/// The spans the program watched: its runs, or, for a file without them, from the oldest event
/// to the newest.
std::vector<std::pair<long long, long long>> WatchedSpans(const HistoryStore::NameHistory& history);
WeeklyChart MakeWeeklyChart(const std::vector<HistorySession>& sessions,
                            const std::vector<std::pair<long long, long long>>& watched);

/// The seconds online of each of the last days (today last), each with its local midnight.
std::vector<std::pair<long long, long long>> SecondsOnlinePerDay(const std::vector<HistorySession>& sessions,
                                                                 long long now, int days);

/// The hours online on at least half of the days, in words: "Usually online Mon–Fri 20:00–23:00";
/// "No usual hours yet" when none. Translated.
wxString DescribeUsualHours(const WeeklyChart& chart);
/// The weekday's short name, Monday 0; translated.
wxString WeekdayName(int day);
