// The pop-ups waiting for room on the screen, the slots the open ones hold and the picture
// downloads under way.
#include "model/PopupQueue.h"

#include "util/Trace.h"

PopupQueue::PopupQueue(size_t maxDownloads_) : maxDownloads(maxDownloads_ > 0 ? maxDownloads_ : 1)
{
    SOLVANE_TRACE("[%p]PopupQueue::PopupQueue(%zu)", static_cast<void*>(this), maxDownloads_);
}

void PopupQueue::Add(const User& user, PopupKind kind)
{
    SOLVANE_TRACE("[%p]PopupQueue::Add(%s, %d)", static_cast<void*>(this), user.GetName(), kind);
    waiting.push_back({user, kind});
}

bool PopupQueue::TakeNext(int slotCount, Entry& next, int& slot)
{
    SOLVANE_TRACE("[%p]PopupQueue::TakeNext(%d)", static_cast<void*>(this), slotCount);
    if (waiting.empty() || downloads >= maxDownloads)
        return false;
    for (int candidate = 1; candidate <= slotCount; ++candidate)
    {
        const size_t index = static_cast<size_t>(candidate - 1);
        if (index < taken.size() && taken[index])
            continue;
        if (index >= taken.size())
            taken.resize(index + 1, false);
        taken[index] = true;
        ++downloads;
        slot = candidate;
        next = std::move(waiting.front());
        waiting.pop_front();
        return true;
    }
    return false;
}

void PopupQueue::DownloadEnded()
{
    SOLVANE_TRACE("[%p]PopupQueue::DownloadEnded(void)", static_cast<void*>(this));
    if (downloads > 0)
        --downloads;
}

void PopupQueue::Release(int slot)
{
    SOLVANE_TRACE("[%p]PopupQueue::Release(%d)", static_cast<void*>(this), slot);
    if (slot >= 1 && static_cast<size_t>(slot) <= taken.size())
        taken[static_cast<size_t>(slot - 1)] = false;
}
