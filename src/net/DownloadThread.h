// One background GET into memory whose result comes back to one handler as an event.
//
// Usage (GUI thread):
//   wxBEGIN_EVENT_TABLE(PopupDialog, wxDialog)
//       EVT_DOWNLOAD_FINISHED(-1, PopupDialog::OnDownloadFinished)
//       // void OnDownloadFinished(DownloadFinishedEvent&)
//   wxEND_EVENT_TABLE()
//
//   auto* thread = new DownloadThread(this, -1, SiteAddress::ProfileImage(name));
//   thread->GetRequest().AddHeader("Host", SiteAddress::ProfileImageHost()); // optional
//   thread->GetRequest().SetStallTimeout(3000);                       // optional
//   thread->GetRequest().SetSizeLimit(1 << 20);                       // optional
//   thread->GetRequest().SetStopToken(pictureStop);                   // optional: StopAll too
//   if (thread->Run() != wxTHREAD_NO_ERROR)
//       delete thread;               // never started: nothing will be posted
//   // else forget the pointer: once its reply has been handled on the GUI thread, the thread
//   // is joined and deleted there, and with it the request and the client.
//
//   void PopupDialog::OnDownloadFinished(DownloadFinishedEvent& event)
//   {
//       if (!event.Succeeded()) ...          // the download failed
//       const std::string body = event.TakeBody();
//       ...
//   }
//
// The reply reaches the handler on the GUI thread and only while the handler lives: the thread
// keeps a weak reference to it, so a pop-up or frame destroyed before the reply arrives gets
// nothing and the body goes with the reply. A body the handler does not take goes with the event.
// For a request with an account, hand over a wxHTTP2 (its size limit set on it): its Connect
// gets the URL's "host:port" and its GetInputStream the path and query.
// The reply travels through the application object's pending events, so an application object
// must exist; the thread is joinable (a detached one would outlive every wait) and is reaped by
// the application's event processing.
#pragma once

#include "net/DownloadFinishedEvent.h"
#include "net/HttpGet.h"
#include "net/wxHTTP2.h"
#include "util/MainThreadPost.h"
#include "util/StopToken.h"

#include <wx/string.h>
#include <wx/thread.h>

#include <any>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

class DownloadThread : public wxThread
{
public:
    /// Built on the GUI thread. The priority applies where the platform has a gentle one.
    DownloadThread(wxEvtHandler* handler, int id, const wxString& url, std::unique_ptr<wxHTTP2> client = nullptr,
                   unsigned priority = wxPRIORITY_MIN);
    ~DownloadThread() override;

    /// The request for the URL when no client was given: set headers and time-outs before Run.
    HttpGet& GetRequest() { return *request; }

    /// Work on a body that arrived, done on this thread before the reply goes: what it returns
    /// is the reply's result (DownloadFinishedEvent::TakeResult), its body then empty. A pop-up
    /// decodes and scales its picture here into a wxImage, so that the window's thread only makes
    /// the bitmap. It must not touch any window, and must keep no copy of what it returns: the
    /// result is handed over whole. Set before Run.
    using BodyWork = std::function<std::any(std::string body)>;
    void SetBodyWork(BodyWork work) { bodyWork = std::move(work); }

    /// Waits up to timeoutMs until every download has finished and sent its reply (the replies
    /// are then pending on the application); true when none is left running.
    static bool WaitForAll(long timeoutMs);
    /// Ends every transfer under way at once (their handlers get the failure event) and waits
    /// up to timeoutMs as WaitForAll: before the module goes, no download may run its code.
    static bool StopAll(long timeoutMs);

protected:
    ExitCode Entry() override;

private:
    struct Reply;

    /// Counted from construction until Entry ends, or until destruction for a thread that
    /// never ran: whichever comes first.
    void Unregister();
    static void Deliver(wxEvtHandler& receiver, Reply& reply);

    // The round of StopAll this download belongs to.
    StopToken stop;
    std::atomic<bool> unregistered{false};
    // Held weakly: a receiver gone before the reply arrives gets nothing.
    MainThreadTarget receiver;
    std::shared_ptr<Reply> reply;
    wxString url;
    std::unique_ptr<HttpGet> request;
    std::unique_ptr<wxHTTP2> client;
    BodyWork bodyWork;
};
