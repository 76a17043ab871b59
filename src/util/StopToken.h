// The one way to say "stop" to a worker: a shared flag that the owner sets and the worker asks.
//
// Usage:
//   StopToken stop;                          // a new request, not yet made
//   worker.SetStopToken(stop);               // copies share it
//   ...
//   stop.RequestStop();                      // from any thread; final
//   // worker thread:
//   if (stop.IsStopRequested()) return;
//   if (stop.WaitFor(3000)) return;          // a sleep that a request ends at once
#pragma once

#include <memory>

class StopToken
{
public:
    /// A request of its own, not made yet.
    StopToken();

    /// Makes the request, for every copy, and wakes every WaitFor; from any thread.
    void RequestStop() const;
    /// True once a stop was requested; from any thread.
    bool IsStopRequested() const;
    /// Sleeps up to milliseconds, less when a stop is requested meanwhile; true if it was.
    bool WaitFor(long milliseconds) const;

    /// A new token that is stopped as soon as either a or b is, or at once if one already is.
    static StopToken AnyOf(const StopToken& a, const StopToken& b);
    /// A token that also counts the toolkit's request to end the calling wxThread (Delete()), as
    /// asked on that thread; elsewhere, and to AnyOf, it shows only what was seen there. For code
    /// that runs on a thread it did not start; a thread of our own passes Delete() on in OnDelete.
    static StopToken ForCallingThread();

private:
    struct State;
    explicit StopToken(std::shared_ptr<State> state);
    /// From now on a request made here is made of follower too.
    void PassOnTo(const StopToken& follower) const;

    std::shared_ptr<State> state;
};
