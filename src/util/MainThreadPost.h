// Hands work from any thread to the main thread without waiting for it, for a handler that may
// be gone by the time the main thread gets to it.
//
// Usage:
//   // main thread, when the worker is set up: the handler is held weakly from here on
//   MainThreadTarget target(this);
//   // the worker, when it has something for the handler
//   target.Post([result](wxEvtHandler& handler) { ... });   // dropped if the handler has gone
//   // work for the application itself, from any thread
//   PostToMainThread([] { ... });
//
// The work travels through the application object's pending events: with no application object
// nothing is posted (false), and work still pending when the application goes goes with it. The
// work, and what it holds, is destroyed on the main thread once posted, whether it ran or not.
// A worker that waits for the result uses RunOnMainThread (util/MainThreadCall.h) instead.
#pragma once

#include <functional>
#include <memory>

class wxEvtHandler;

/// Queues work for the main thread on the application object; false, and the work is destroyed
/// at once, when there is no application object.
bool PostToMainThread(std::function<void()> work);

/// A handler that workers post to, held weakly. Made on the main thread; copies may be posted
/// from any thread.
class MainThreadTarget
{
public:
    explicit MainThreadTarget(wxEvtHandler* handler);

    /// Queues work for the main thread, where it runs with the handler only if the handler still
    /// lives; false when there is no application object.
    bool Post(std::function<void(wxEvtHandler&)> work) const;

private:
    struct Link;
    // The weak reference is made, read and let go on the main thread only: the toolkit's weak
    // references are not thread-safe.
    std::shared_ptr<Link> link;
};
