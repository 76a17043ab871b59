// The one way to say "stop" to a worker: a shared flag that the owner sets and the worker asks.
#include "util/StopToken.h"

#include <wx/thread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace
{
// A token bound to a thread looks at the toolkit's request this often while it waits.
const long kThreadCheckMilliseconds = 20;
} // namespace

struct StopToken::State
{
    std::atomic<bool> requested{false};
    std::mutex mutex;
    std::condition_variable requestedSignal;
    // Tokens made by AnyOf from this one; weak, so that a follower goes when its last copy does.
    std::vector<std::weak_ptr<State>> followers;
    // Set by ForCallingThread; only ever asked on that thread, as the toolkit demands.
    wxThread* thread = nullptr;
};

StopToken::StopToken() : state(std::make_shared<State>())
{
}

StopToken::StopToken(std::shared_ptr<State> state_) : state(std::move(state_))
{
}

void StopToken::RequestStop() const
{
    std::vector<std::weak_ptr<State>> followers;
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->requested.exchange(true))
            return;
        followers.swap(state->followers);
    }
    state->requestedSignal.notify_all();
    // Outside the lock: a follower takes its own.
    for (const auto& follower : followers)
    {
        if (auto alive = follower.lock())
            StopToken(std::move(alive)).RequestStop();
    }
}

bool StopToken::IsStopRequested() const
{
    if (state->requested.load())
        return true;
    // Delete() sets nothing of ours: the thread itself has to ask the toolkit.
    if (state->thread && wxThread::This() == state->thread && state->thread->TestDestroy())
    {
        RequestStop();
        return true;
    }
    return false;
}

bool StopToken::WaitFor(long milliseconds) const
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(std::max(0L, milliseconds));
    for (;;)
    {
        if (IsStopRequested())
            return true;
        const Clock::time_point now = Clock::now();
        if (now >= end)
            return false;
        Clock::time_point until = end;
        if (state->thread)
            until = std::min(end, now + std::chrono::milliseconds(kThreadCheckMilliseconds));
        std::unique_lock<std::mutex> lock(state->mutex);
        state->requestedSignal.wait_until(lock, until, [this] { return state->requested.load(); });
    }
}

void StopToken::PassOnTo(const StopToken& follower) const
{
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        if (!state->requested.load())
        {
            // Followers of ended transfers pile up on a long-lived token otherwise.
            auto& list = state->followers;
            list.erase(std::remove_if(list.begin(), list.end(), [](const auto& weak) { return weak.expired(); }),
                       list.end());
            list.push_back(follower.state);
            return;
        }
    }
    follower.RequestStop();
}

StopToken StopToken::AnyOf(const StopToken& a, const StopToken& b)
{
    StopToken either;
    a.PassOnTo(either);
    b.PassOnTo(either);
    return either;
}

StopToken StopToken::ForCallingThread()
{
    StopToken token;
    token.state->thread = wxThread::This();
    return token;
}
