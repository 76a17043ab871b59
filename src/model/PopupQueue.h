// The pop-ups waiting for room on the screen, the slots the open ones hold and the picture
// downloads under way.
//
// A pop-up waits here as plain data until it can have both a slot (slot 1 is the bottom of the
// column, slot k sits k pop-up heights above the bottom) and one of the few picture downloads
// that may run at once. A burst of arrivals thus costs neither windows nor connections, and
// every waiting pop-up still appears, in order, as room frees.
#pragma once

#include "model/PopupRules.h"
#include "model/User.h"

#include <cstddef>
#include <deque>
#include <vector>

class PopupQueue
{
public:
    struct Entry
    {
        User user;
        PopupKind kind = POPUP_NONE;
    };

    explicit PopupQueue(size_t maxDownloads);

    void Add(const User& user, PopupKind kind);
    /// Takes the oldest waiting pop-up when one of the slots 1 to slotCount is free and a download
    /// may start: it then holds the lowest free slot and counts as downloading. False: it waits.
    bool TakeNext(int slotCount, Entry& next, int& slot);
    /// A pop-up's picture download has ended, whichever way.
    void DownloadEnded();
    /// The pop-up holding slot has gone.
    void Release(int slot);

    size_t GetWaitingCount() const { return waiting.size(); }
    size_t GetDownloadCount() const { return downloads; }

private:
    std::deque<Entry> waiting;
    std::vector<bool> taken; // index slot - 1
    size_t downloads = 0;
    size_t maxDownloads;
};
