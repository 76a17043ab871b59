// One background GET into memory whose result comes back to one handler as an event.
#include "net/DownloadThread.h"

#include "util/Trace.h"

#include <wx/app.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace
{
struct Registry
{
    std::mutex mutex;
    std::condition_variable ended;
    int live = 0;
    // Every download made since the last StopAll holds it; StopAll requests it and starts anew.
    StopToken round;
};

// Part of the module's static data, so it goes when the module is unloaded: a registry on the
// heap would be left behind, unreachable, by every unload (and a new module's start-up). By then
// StopAll has waited for every transfer: a download still running would be running unloaded
// code anyway.
Registry& GetRegistry()
{
    static Registry registry;
    return registry;
}

// "http://host:port/path?query" into "host:port" and "/path?query".
void SplitUrl(const wxString& url, wxString& host, wxString& pathAndQuery)
{
    wxString rest = url;
    const size_t scheme = rest.find("://");
    if (scheme != wxString::npos)
        rest = rest.substr(scheme + 3);
    const size_t start = rest.find_first_of("/?#");
    host = rest.substr(0, start);
    pathAndQuery = start == wxString::npos ? wxString() : rest.substr(start);
    const size_t fragment = pathAndQuery.find('#');
    if (fragment != wxString::npos)
        pathAndQuery.erase(fragment);
    if (!pathAndQuery.StartsWith("/"))
        pathAndQuery = "/" + pathAndQuery;
}

std::string ReadAll(wxInputStream& stream)
{
    std::string body;
    char chunk[16384];
    for (;;)
    {
        stream.Read(chunk, sizeof chunk);
        const size_t got = stream.LastRead();
        if (got == 0)
            break;
        body.append(chunk, got);
    }
    return body;
}
} // namespace

// What goes back to the GUI thread: filled in by the worker, read and destroyed on the GUI thread.
// Once posted, the pending call is its only owner, so the reply and the thread it reaps go on the
// GUI thread whether the receiver still lives or not.
struct DownloadThread::Reply
{
    Reply(int id_) : id(id_) {}
    ~Reply() { Reap(); }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;

    // Joins and deletes the thread that sent the reply; it has ended or is about to.
    void Reap()
    {
        SOLVANE_TRACE("[%p]DownloadThread::Reply::Reap(%p)", static_cast<void*>(this), static_cast<void*>(thread));
        if (!thread)
            return;
        thread->Wait();
        delete thread;
        thread = nullptr;
    }

    int id;
    bool ok = false;
    std::string body;
    std::any result;                  // what the body work made of the body
    DownloadThread* thread = nullptr; // set when the reply is sent
};

DownloadThread::DownloadThread(wxEvtHandler* handler, int id, const wxString& url_, std::unique_ptr<wxHTTP2> client_,
                               unsigned priority)
    : wxThread(wxTHREAD_JOINABLE), receiver(handler), reply(std::make_shared<Reply>(id)), url(url_),
      request(std::make_unique<HttpGet>(url_)), client(std::move(client_))
{
    // Without the query: the login check carries the password there.
    SOLVANE_TRACE("[%p]DownloadThread::DownloadThread(%p, %d, %s, %p, %u)", static_cast<void*>(this),
                  static_cast<void*>(handler), id, url_.BeforeFirst('?'), static_cast<void*>(client.get()), priority);
    Registry& registry = GetRegistry();
    {
        std::lock_guard<std::mutex> lock(registry.mutex);
        ++registry.live;
        stop = registry.round;
    }
#ifdef __WXMSW__
    SetPriority(priority);
#else
    // Here the toolkit's low priorities are the idle scheduling class, in which a busy machine
    // can hold the thread back indefinitely; the thread keeps the normal class.
    (void)priority;
#endif
}

DownloadThread::~DownloadThread()
{
    SOLVANE_TRACE("[%p]DownloadThread::~DownloadThread(void)", static_cast<void*>(this));
    Unregister();
}

void DownloadThread::Unregister()
{
    SOLVANE_TRACE("[%p]DownloadThread::Unregister(void)", static_cast<void*>(this));
    if (unregistered.exchange(true))
        return;
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    --registry.live;
    registry.ended.notify_all();
}

wxThread::ExitCode DownloadThread::Entry()
{
    SOLVANE_TRACE("[%p]DownloadThread::Entry(void)", static_cast<void*>(this));
    SetName("solvane-fetch");
    std::string body;
    bool ok = false;
    if (client)
    {
        wxString host, pathAndQuery;
        SplitUrl(url, host, pathAndQuery);
        client->SetStopToken(stop);
        client->Connect(host);
        std::unique_ptr<wxInputStream> stream(client->GetInputStream(pathAndQuery));
        if (stream)
        {
            body = ReadAll(*stream);
            ok = true;
        }
    }
    else
    {
        // The creator's own reason to stop (a pop-up that has gone) counts as well.
        request->SetStopToken(StopToken::AnyOf(stop, request->GetStopToken()));
        ok = request->Fetch();
        if (ok)
            body = request->TakeBody();
    }
    std::shared_ptr<Reply> outgoing = std::move(reply);
    outgoing->ok = ok;
    if (ok && bodyWork)
        outgoing->result = bodyWork(std::move(body));
    else
        outgoing->body = std::move(body);
    // Without an application nothing is posted and the reply goes here, with nothing to reap.
    if (wxAppConsole::GetInstance())
        outgoing->thread = this;
    receiver.Post([outgoing = std::move(outgoing)](wxEvtHandler& handler) { Deliver(handler, *outgoing); });
    Unregister();
    return 0;
}

void DownloadThread::Deliver(wxEvtHandler& receiver, Reply& reply)
{
    SOLVANE_TRACE("[static]DownloadThread::Deliver(%d, %d, %zu)", reply.id, reply.ok, reply.body.size());
    DownloadFinishedEvent event(EVT_DOWNLOAD_FINISHED, reply.id);
    if (reply.ok)
    {
        event.SetBody(std::move(reply.body));
        if (reply.result.has_value())
            event.SetResult(std::move(reply.result));
    }
    receiver.ProcessEvent(event);
}

bool DownloadThread::WaitForAll(long timeoutMs)
{
    SOLVANE_TRACE("[static]DownloadThread::WaitForAll(%ld)", timeoutMs);
    Registry& registry = GetRegistry();
    std::unique_lock<std::mutex> lock(registry.mutex);
    return registry.ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return registry.live == 0; });
}

bool DownloadThread::StopAll(long timeoutMs)
{
    SOLVANE_TRACE("[static]DownloadThread::StopAll(%ld)", timeoutMs);
    Registry& registry = GetRegistry();
    {
        std::lock_guard<std::mutex> lock(registry.mutex);
        registry.round.RequestStop();
        registry.round = StopToken();
    }
    return WaitForAll(timeoutMs);
}
