// The pop-ups waiting for room on the screen, the slots the open ones hold and the picture
// downloads under way.
//
// A pop-up waits here as plain data until it can have both a slot (slot 1 is the bottom of the
// column, slot k sits k pop-up heights above the bottom) and one of the few picture downloads
// that may run at once. A burst of arrivals thus costs neither windows nor connections.
//
// On a busy site more arrive than the column can show, so the line keeps only news: the newest
// pop-up goes first (a favourite's before everyone else's), one that has waited too long goes
// unshown, the line holds a few pop-ups per slot, and a pop-up whose performer has left, gone
// offline or (for "FREE NOW") become busy again is dropped. Times are in milliseconds of any
// steady clock the caller keeps.
#pragma once

#include "model/PopupRules.h"
#include "model/User.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class PopupQueue
{
public:
    /// A pop-up that has waited longer than this, since its event arrived, is not shown.
    static constexpr long long kMaxWaitMilliseconds = 30000;
    /// The waiting line holds at most this many pop-ups per slot of the column.
    static constexpr size_t kWaitingPerSlot = 3;

    /// Why a pop-up went unshown.
    enum DropReason
    {
        DROP_LEFT,           // the performer left the list
        DROP_NO_LONGER_TRUE, // went offline, or is no longer free
        DROP_TOO_OLD,        // waited longer than kMaxWaitMilliseconds
        DROP_LINE_FULL,      // the least wanted of a full line
        DROP_REPLACED,       // a newer pop-up of the same performer took its place
        DROP_HELD_BACK,      // the cap or a full-screen window held it back
        DROP_REASONS
    };

    struct Entry
    {
        User user;
        PopupKind kind = POPUP_NONE;
        bool favorite = false;
        long long arrived = 0;
        /// Ranks with the favourites, and alone may start while the others are held back.
        bool always = false;
    };

    explicit PopupQueue(size_t maxDownloads);

    /// Queues a pop-up; one of the same performer already waiting gives way to it. A line longer
    /// than kWaitingPerSlot times slotCount loses its least wanted pop-up: the oldest of those
    /// that are not a favourite's, else the oldest.
    void Add(const Entry& entry, int slotCount);
    /// A performer's status in the newest list: a waiting pop-up it makes untrue goes.
    void Follow(const User& user);
    /// A performer left the list: a pop-up of hers waiting goes.
    void Forget(const wxString& name);
    /// Takes the pop-up to show next when one of the slots 1 to slotCount is free and a download
    /// may start: a favourite's before the others, the newest first, after the line has lost
    /// what waited too long by now. It then holds the lowest free slot and counts as downloading.
    /// False: nothing waits, or it must wait. alwaysOnly: only an "always" pop-up may be taken.
    bool TakeNext(int slotCount, long long now, Entry& next, int& slot, bool alwaysOnly = false);
    /// Holds the lowest of the slots 1 to slotCount that is free, for something else than a
    /// pop-up of the line (the summary); 0 when none is.
    int TakeSlot(int slotCount);
    /// Drops every waiting pop-up (but the "always" ones when keepAlways); how many of each kind.
    std::array<size_t, 2> DropWaiting(DropReason reason, bool keepAlways);
    /// Whether a pop-up waits and one more picture download may start.
    bool MayStart() const { return !waiting.empty() && downloads < maxDownloads; }
    /// A pop-up's picture download has ended, whichever way.
    void DownloadEnded();
    /// The pop-up holding slot has gone.
    void Release(int slot);
    /// A pop-up taken from the line went unshown after all, for this reason.
    void CountDrop(DropReason reason) { ++drops[reason]; }

    size_t GetWaitingCount() const { return waiting.size(); }
    size_t GetDownloadCount() const { return downloads; }
    /// How many pop-ups went unshown for that reason so far.
    size_t GetDropCount(DropReason reason) const { return drops[reason]; }
    /// How many pop-ups of that kind the line lost for lack of room: too old or the line full.
    size_t GetCrowdedOutCount(PopupKind kind) const { return crowdedOut[kind == POPUP_FREE ? 1 : 0]; }

private:
    struct Waiting
    {
        Entry entry;
        uint64_t sequence; // the order of arrival, for events of the same millisecond
    };

    /// True when a should be shown before b.
    static bool Before(const Waiting& a, const Waiting& b);
    void Drop(size_t index, DropReason reason);

    std::vector<Waiting> waiting; // a few entries: searched from end to end
    std::vector<bool> taken;      // index slot - 1
    size_t downloads = 0;
    size_t maxDownloads;
    uint64_t added = 0;
    std::array<size_t, DROP_REASONS> drops{};
    std::array<size_t, 2> crowdedOut{}; // by kind: online, free
};
