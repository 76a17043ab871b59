// Hands work from any thread to the main thread without waiting for it.
#include "util/MainThreadPost.h"

#include "util/Trace.h"

#include <wx/app.h>
#include <wx/thread.h>
#include <wx/weakref.h>

namespace
{
// The work as a pending call on the application object. It is moved in rather than copied, so
// that once queued the event owns the work alone and what the work holds goes on the main thread.
class PostedCall : public wxAsyncMethodCallEvent
{
public:
    PostedCall(wxObject* app, std::function<void()> work_) : wxAsyncMethodCallEvent(app), work(std::move(work_)) {}
    PostedCall(const PostedCall& other) : wxAsyncMethodCallEvent(other), work(other.work) {}

    wxEvent* Clone() const override { return new PostedCall(*this); }
    void Execute() override { work(); }

private:
    std::function<void()> work;
};
} // namespace

bool PostToMainThread(std::function<void()> work)
{
    SOLVANE_TRACE("[static]PostToMainThread(void)");
    wxAppConsole* app = wxAppConsole::GetInstance();
    if (!app)
        return false;
    app->QueueEvent(new PostedCall(app, std::move(work)));
    return true;
}

struct MainThreadTarget::Link
{
    explicit Link(wxEvtHandler* handler_) : handler(handler_) {}
    wxWeakRef<wxEvtHandler> handler;
};

MainThreadTarget::MainThreadTarget(wxEvtHandler* handler)
    : link(new Link(handler), [](Link* gone) {
          // The last holder may be a worker: the weak reference is then let go on the main
          // thread, where the handler it follows is destroyed (or here, with no application).
          if (wxThread::IsMain())
              delete gone;
          else
              PostToMainThread([last = std::shared_ptr<Link>(gone)] {});
      })
{
    SOLVANE_TRACE("[%p]MainThreadTarget::MainThreadTarget(%p)", static_cast<void*>(this), static_cast<void*>(handler));
}

bool MainThreadTarget::Post(std::function<void(wxEvtHandler&)> work) const
{
    SOLVANE_TRACE("[%p]MainThreadTarget::Post(void)", static_cast<const void*>(this));
    return PostToMainThread([link = link, work = std::move(work)] {
        if (wxEvtHandler* handler = link->handler.get())
            work(*handler);
    });
}
