// Which pop-ups a person sees on a busy site: the choices, the cap per minute, flapping
// connections and quiet hours, and the count of what was held back for the one summary.
#include "model/PopupGate.h"

#include "util/Trace.h"

namespace
{
// The memory of who left and who was last free is swept at most this often.
const long long kForgetEveryMilliseconds = 1000;

size_t KindIndex(PopupKind kind)
{
    return kind == POPUP_FREE ? 1 : 0;
}
} // namespace

PopupGate::Verdict PopupGate::Offer(const User& user, PopupKind kind, bool favorite, PopupChoice choice, long long now,
                                    int minuteOfDay, int slotCount)
{
    SOLVANE_TRACE("[%p]PopupGate::Offer(%s, %d, %d, %d)", static_cast<void*>(this), user.GetName(), kind, favorite,
                  choice);
    Forget(now);
    if (rules.paused || choice == CHOICE_NEVER || kind == POPUP_NONE)
        return UNWANTED;
    if (!(kind == POPUP_FREE ? rules.free : rules.online))
        return UNWANTED;
    if (rules.onlyFavorites && !favorite && choice != CHOICE_ALWAYS)
        return UNWANTED;
    const long long flap = static_cast<long long>(rules.flapSeconds) * 1000;
    if (kind == POPUP_ONLINE)
    {
        const auto left = leftAt.find(user.GetName());
        if (left != leftAt.end() && now - left->second < flap)
            return UNWANTED;
    }
    else
    {
        // Only the first "now free" of a stretch counts; the next ones within it are the same news.
        const auto last = freeAt.find(user.GetName());
        if (last != freeAt.end() && now - last->second < flap)
            return UNWANTED;
        if (flap > 0)
            freeAt[user.GetName()] = now;
    }
    if (IsQuiet(minuteOfDay) || (choice != CHOICE_ALWAYS && IsCapped(now)))
    {
        ++held[KindIndex(kind)];
        return HELD;
    }
    queue.Add({user, kind, favorite, now, choice == CHOICE_ALWAYS}, slotCount);
    CountCrowdedOut();
    return QUEUED;
}

void PopupGate::Left(const wxString& name, long long now)
{
    Forget(now);
    queue.Forget(name);
    if (rules.flapSeconds > 0)
        leftAt[name] = now;
}

bool PopupGate::TakeNext(int slotCount, long long now, PopupQueue::Entry& next, int& slot)
{
    const bool capped = IsCapped(now);
    if (capped)
    {
        const std::array<size_t, 2> dropped = queue.DropWaiting(PopupQueue::DROP_HELD_BACK, true);
        held[0] += dropped[0];
        held[1] += dropped[1];
    }
    const bool taken = queue.TakeNext(slotCount, now, next, slot, capped);
    CountCrowdedOut();
    if (taken)
        starts.push_back(now);
    return taken;
}

void PopupGate::HoldWaiting()
{
    const std::array<size_t, 2> dropped = queue.DropWaiting(PopupQueue::DROP_HELD_BACK, false);
    held[0] += dropped[0];
    held[1] += dropped[1];
}

bool PopupGate::IsQuiet(int minuteOfDay) const
{
    if (!rules.quietHours || rules.quietFrom == rules.quietTo)
        return false;
    if (rules.quietFrom < rules.quietTo)
        return minuteOfDay >= rules.quietFrom && minuteOfDay < rules.quietTo;
    // From the evening past midnight into the morning.
    return minuteOfDay >= rules.quietFrom || minuteOfDay < rules.quietTo;
}

bool PopupGate::IsCapped(long long now)
{
    while (!starts.empty() && now - starts.front() >= kCapWindowMilliseconds)
        starts.pop_front();
    return rules.perMinute > 0 && starts.size() >= static_cast<size_t>(rules.perMinute);
}

void PopupGate::CountCrowdedOut()
{
    for (PopupKind kind : {POPUP_ONLINE, POPUP_FREE})
    {
        const size_t count = queue.GetCrowdedOutCount(kind);
        // Without a cap the line loses pop-ups as it always did, and no summary tells of them.
        if (rules.perMinute > 0)
            held[KindIndex(kind)] += count - crowdedOutSeen[KindIndex(kind)];
        crowdedOutSeen[KindIndex(kind)] = count;
    }
}

void PopupGate::Forget(long long now)
{
    if (now - lastForget < kForgetEveryMilliseconds && now >= lastForget)
        return;
    lastForget = now;
    const long long flap = static_cast<long long>(rules.flapSeconds) * 1000;
    for (auto* memory : {&leftAt, &freeAt})
    {
        for (auto it = memory->begin(); it != memory->end();)
            it = now - it->second >= flap ? memory->erase(it) : std::next(it);
    }
}

int PopupGate::ParseClockTime(const wxString& text, int fallback)
{
    // One or two digits of hours, a colon, two digits of minutes: nothing else reads as a time.
    const int colon = text.Find(':');
    if (colon < 1 || colon > 2 || text.length() != static_cast<size_t>(colon) + 3)
        return fallback;
    int value[2] = {0, 0};
    for (size_t i = 0; i < text.length(); ++i)
    {
        if (static_cast<int>(i) == colon)
            continue;
        if (text[i] < '0' || text[i] > '9')
            return fallback;
        int& part = value[static_cast<int>(i) > colon ? 1 : 0];
        part = part * 10 + static_cast<int>(text[i].GetValue() - '0');
    }
    return value[0] < 24 && value[1] < 60 ? value[0] * 60 + value[1] : fallback;
}
