// Which pop-ups a person sees on a busy site: the choices, the cap per minute, flapping
// connections and quiet hours, and the count of what was held back for the one summary.
//
// A candidate pop-up is either queued (it shows as room frees), held back (counted in the
// summary) or not wanted at all. A pause silences everything; "never" wins over favourites;
// "always" passes the favourites-only limit and the cap. The cap lets at most perMinute pop-ups
// start in any 60 seconds; what it holds back, and what the waiting line loses for lack of room
// while a cap is set, goes into the summary. One back online within flapSeconds of leaving gets
// no pop-up, and "now free" comes at most once in that time per performer. During quiet hours
// (and while a window is full screen, which the caller finds out) nothing shows: those pop-ups
// are dropped, counted in the summary. The gate reads no settings and no clock: the caller
// hands it plain values, steady milliseconds and the local minute of the day.
#pragma once

#include "model/PopupChoice.h"
#include "model/PopupQueue.h"
#include "util/SettingsKeys.h"

#include <array>
#include <deque>
#include <unordered_map>

class PopupGate
{
public:
    /// The settings the gate follows, read by the caller.
    struct Rules
    {
        long perMinute = SettingsKeys::kPopupPerMinuteDefault;     // 0: no cap
        long flapSeconds = SettingsKeys::kPopupFlapSecondsDefault; // 0: no flapping check
        bool quietHours = false;
        int quietFrom = 22 * 60; // minutes of the day, local
        int quietTo = 7 * 60;
        bool paused = false;
        bool onlyFavorites = false; // the "&PopupOnlyFavorite" limit holds
        bool online = true;         // the kinds switched on
        bool free = true;
    };

    enum Verdict
    {
        QUEUED,  // waits in the line for its turn
        HELD,    // held back: counted in the summary
        UNWANTED // silently not shown
    };

    /// The cap counts the pop-ups started within this window.
    static constexpr long long kCapWindowMilliseconds = 60000;

    explicit PopupGate(size_t maxDownloads) : queue(maxDownloads) {}

    void SetRules(const Rules& rules_) { rules = rules_; }
    const Rules& GetRules() const { return rules; }

    /// A candidate pop-up for user, of kind POPUP_ONLINE or POPUP_FREE, at now (steady
    /// milliseconds) and minuteOfDay (local); slotCount bounds the line as in PopupQueue::Add.
    Verdict Offer(const User& user, PopupKind kind, bool favorite, PopupChoice choice, long long now, int minuteOfDay,
                  int slotCount);
    /// The performer left the list or went offline: a waiting pop-up of hers goes, and coming
    /// back soon is flapping.
    void Left(const wxString& name, long long now);
    /// Takes the next pop-up to start, as PopupQueue::TakeNext does, within the cap: once the cap
    /// is reached only "always" pop-ups start and the others waiting are held back.
    bool TakeNext(int slotCount, long long now, PopupQueue::Entry& next, int& slot);
    /// Every waiting pop-up is held back (a window is full screen).
    void HoldWaiting();

    /// Whether minuteOfDay falls in the quiet hours (when they are on).
    bool IsQuiet(int minuteOfDay) const;
    /// How many pop-ups of that kind were held back since the summary last closed.
    size_t GetHeldCount(PopupKind kind) const { return held[kind == POPUP_FREE ? 1 : 0]; }
    size_t GetHeldCount() const { return held[0] + held[1]; }
    /// The summary has closed: its count starts again.
    void ResetHeld() { held = {}; }

    PopupQueue& GetQueue() { return queue; }
    const PopupQueue& GetQueue() const { return queue; }
    /// How many names the flapping check remembers.
    size_t GetRememberedCount() const { return leftAt.size() + freeAt.size(); }

    /// "HH:MM" (hours 0 to 23, minutes 00 to 59) as minutes of the day; fallback for anything else.
    static int ParseClockTime(const wxString& text, int fallback);

private:
    bool IsCapped(long long now);
    /// Counts what the line lost for lack of room since it was last looked at.
    void CountCrowdedOut();
    void Forget(long long now);

    Rules rules;
    PopupQueue queue;
    std::deque<long long> starts; // within the last kCapWindowMilliseconds
    std::array<size_t, 2> held{}; // by kind: online, free
    std::array<size_t, 2> crowdedOutSeen{};
    std::unordered_map<wxString, long long> leftAt; // when each left, for flapping
    std::unordered_map<wxString, long long> freeAt; // when each last passed as "now free"
    long long lastForget = 0;
};
