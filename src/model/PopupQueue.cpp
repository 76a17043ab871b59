// The pop-ups waiting for room on the screen, the slots the open ones hold and the picture
// downloads under way.
#include "model/PopupQueue.h"

#include "util/Trace.h"

#include <algorithm>

PopupQueue::PopupQueue(size_t maxDownloads_) : maxDownloads(maxDownloads_ > 0 ? maxDownloads_ : 1)
{
    SOLVANE_TRACE("[%p]PopupQueue::PopupQueue(%zu)", static_cast<void*>(this), maxDownloads_);
}

bool PopupQueue::Before(const Waiting& a, const Waiting& b)
{
    const bool aFirst = a.entry.favorite || a.entry.always, bFirst = b.entry.favorite || b.entry.always;
    if (aFirst != bFirst)
        return aFirst;
    return a.sequence > b.sequence;
}

void PopupQueue::Drop(size_t index, DropReason reason)
{
    SOLVANE_TRACE("[%p]PopupQueue::Drop(%s, %d)", static_cast<void*>(this), waiting[index].entry.user.GetName(),
                  reason);
    ++drops[reason];
    if (reason == DROP_TOO_OLD || reason == DROP_LINE_FULL)
        ++crowdedOut[waiting[index].entry.kind == POPUP_FREE ? 1 : 0];
    waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(index));
}

void PopupQueue::Add(const Entry& entry, int slotCount)
{
    SOLVANE_TRACE("[%p]PopupQueue::Add(%s, %d, %d)", static_cast<void*>(this), entry.user.GetName(), entry.kind,
                  entry.favorite);
    for (size_t i = 0; i < waiting.size(); ++i)
    {
        if (waiting[i].entry.user.GetName() == entry.user.GetName())
        {
            Drop(i, DROP_REPLACED);
            break;
        }
    }
    waiting.push_back({entry, ++added});
    const size_t bound = kWaitingPerSlot * static_cast<size_t>(std::max(1, slotCount));
    while (waiting.size() > bound)
    {
        const auto last = std::min_element(waiting.begin(), waiting.end(),
                                           [](const Waiting& a, const Waiting& b) { return Before(b, a); });
        Drop(static_cast<size_t>(last - waiting.begin()), DROP_LINE_FULL);
    }
}

void PopupQueue::Follow(const User& user)
{
    for (size_t i = 0; i < waiting.size(); ++i)
    {
        Entry& entry = waiting[i].entry;
        if (entry.user.GetName() != user.GetName())
            continue;
        if (!IsPopupStillTrue(entry.kind, user.GetStatus()))
            Drop(i, DROP_NO_LONGER_TRUE);
        else
            entry.user = user; // the pop-up shows the performer as she is now
        return;
    }
}

void PopupQueue::Forget(const wxString& name)
{
    for (size_t i = 0; i < waiting.size(); ++i)
    {
        if (waiting[i].entry.user.GetName() == name)
        {
            Drop(i, DROP_LEFT);
            return;
        }
    }
}

bool PopupQueue::TakeNext(int slotCount, long long now, Entry& next, int& slot, bool alwaysOnly)
{
    SOLVANE_TRACE("[%p]PopupQueue::TakeNext(%d)", static_cast<void*>(this), slotCount);
    for (size_t i = waiting.size(); i-- > 0;)
    {
        if (now - waiting[i].entry.arrived > kMaxWaitMilliseconds)
            Drop(i, DROP_TOO_OLD);
    }
    if (waiting.empty() || downloads >= maxDownloads)
        return false;
    auto first = waiting.end();
    for (auto it = waiting.begin(); it != waiting.end(); ++it)
    {
        if ((!alwaysOnly || it->entry.always) && (first == waiting.end() || Before(*it, *first)))
            first = it;
    }
    if (first == waiting.end())
        return false;
    slot = TakeSlot(slotCount);
    if (slot == 0)
        return false;
    ++downloads;
    next = std::move(first->entry);
    waiting.erase(first);
    return true;
}

int PopupQueue::TakeSlot(int slotCount)
{
    for (int candidate = 1; candidate <= slotCount; ++candidate)
    {
        const size_t index = static_cast<size_t>(candidate - 1);
        if (index < taken.size() && taken[index])
            continue;
        if (index >= taken.size())
            taken.resize(index + 1, false);
        taken[index] = true;
        return candidate;
    }
    return 0;
}

std::array<size_t, 2> PopupQueue::DropWaiting(DropReason reason, bool keepAlways)
{
    std::array<size_t, 2> dropped{};
    for (size_t i = waiting.size(); i-- > 0;)
    {
        if (keepAlways && waiting[i].entry.always)
            continue;
        ++dropped[waiting[i].entry.kind == POPUP_FREE ? 1 : 0];
        Drop(i, reason);
    }
    return dropped;
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
