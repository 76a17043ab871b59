// The account's password in the desktop's keyring (the Secret Service), asked without waiting.
#include "ui/Keyring.h"

#include "util/Trace.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/utils.h>

#include <libsecret/secret.h>

#include <chrono>

namespace
{
// The item as other tools find it: "secret-tool lookup application solvane id NAME".
const SecretSchema kAccountSchema = {"org.solvane.Account",
                                     SECRET_SCHEMA_DONT_MATCH_NAME,
                                     {{"application", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                      {"id", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                      {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                     0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
const char* const kApplication = "solvane";
// Often enough that an answer is taken at once to a person's eye.
const int kPollMilliseconds = 50;
// How long the destructor lets libsecret come back from the requests it cancels.
const auto kLetGoLimit = std::chrono::milliseconds(1000);
} // namespace

struct Keyring::Request
{
    GCancellable* cancellable = g_cancellable_new();
    std::chrono::steady_clock::time_point deadline;
    // Set by libsecret's callback, read by Poll.
    bool finished = false;
    bool succeeded = false;
    wxString password;
    LookupDone lookupDone;
    StoreDone storeDone;

    ~Request() { g_object_unref(cancellable); }
};

namespace
{
void OnLookedUp(GObject*, GAsyncResult* result, gpointer data)
{
    auto* request = static_cast<Keyring::Request*>(data);
    GError* error = nullptr;
    gchar* password = secret_password_lookup_finish(result, &error);
    request->succeeded = password != nullptr;
    if (password)
        request->password = wxString::FromUTF8(password);
    secret_password_free(password);
    if (error)
        g_error_free(error);
    request->finished = true;
}

void OnStored(GObject*, GAsyncResult* result, gpointer data)
{
    auto* request = static_cast<Keyring::Request*>(data);
    GError* error = nullptr;
    request->succeeded = secret_password_store_finish(result, &error);
    if (error)
        g_error_free(error);
    request->finished = true;
}
} // namespace

Keyring::Keyring(int limitMilliseconds) : limitMilliseconds(limitMilliseconds), context(g_main_context_new())
{
    pollTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Poll(); });
}

Keyring::~Keyring()
{
    pollTimer.Stop();
    for (auto& request : requests)
        g_cancellable_cancel(request->cancellable);
    // A request is freed only once libsecret has called back: its callback holds the pointer.
    const auto end = std::chrono::steady_clock::now() + kLetGoLimit;
    auto pending = [this] {
        for (auto& request : requests)
            if (!request->finished)
                return true;
        return false;
    };
    while (pending() && std::chrono::steady_clock::now() < end)
        if (!g_main_context_iteration(context, FALSE))
            wxMilliSleep(5);
    // One that never came back is leaked rather than freed under libsecret's feet.
    for (auto& request : requests)
        if (!request->finished)
            request.release();
    g_main_context_unref(context);
}

bool Keyring::HasSessionBus()
{
    wxString address, runtime;
    if (wxGetEnv("DBUS_SESSION_BUS_ADDRESS", &address) && !address.empty())
        return true;
    return wxGetEnv("XDG_RUNTIME_DIR", &runtime) && !runtime.empty() && wxFileName::Exists(runtime + "/bus");
}

void Keyring::Lookup(const wxString& id, LookupDone done)
{
    SOLVANE_TRACE("[%p]Keyring::Lookup", static_cast<void*>(this));
    auto request = std::make_unique<Request>();
    request->lookupDone = std::move(done);
    if (HasSessionBus())
    {
        g_main_context_push_thread_default(context);
        secret_password_lookup(&kAccountSchema, request->cancellable, OnLookedUp, request.get(), "application",
                               kApplication, "id", static_cast<const char*>(id.utf8_str()), nullptr);
        g_main_context_pop_thread_default(context);
    }
    else
        request->finished = true;
    Start(std::move(request));
}

void Keyring::Store(const wxString& id, const wxString& password, StoreDone done)
{
    SOLVANE_TRACE("[%p]Keyring::Store", static_cast<void*>(this));
    auto request = std::make_unique<Request>();
    request->storeDone = std::move(done);
    if (HasSessionBus())
    {
        const wxString label = wxString::Format(_("Solvane account %s"), id);
        g_main_context_push_thread_default(context);
        secret_password_store(&kAccountSchema, SECRET_COLLECTION_DEFAULT, label.utf8_str(), password.utf8_str(),
                              request->cancellable, OnStored, request.get(), "application", kApplication, "id",
                              static_cast<const char*>(id.utf8_str()), nullptr);
        g_main_context_pop_thread_default(context);
    }
    else
        request->finished = true;
    Start(std::move(request));
}

void Keyring::Start(std::unique_ptr<Request> request)
{
    request->deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMilliseconds);
    requests.push_back(std::move(request));
    if (!pollTimer.IsRunning())
        pollTimer.Start(kPollMilliseconds);
}

void Keyring::Poll()
{
    while (g_main_context_iteration(context, FALSE))
        ;
    const auto now = std::chrono::steady_clock::now();
    // A keyring that does not answer (a locked one waiting for its prompt, a service that hangs)
    // is cancelled; its callback then comes back as a failure.
    for (auto& request : requests)
        if (!request->finished && now >= request->deadline)
            g_cancellable_cancel(request->cancellable);
    std::vector<std::unique_ptr<Request>> finished;
    for (auto it = requests.begin(); it != requests.end();)
    {
        if ((*it)->finished)
        {
            finished.push_back(std::move(*it));
            it = requests.erase(it);
        }
        else
            ++it;
    }
    if (requests.empty())
        pollTimer.Stop();
    // Last: a callback may start a new request.
    for (auto& request : finished)
    {
        if (request->lookupDone)
            request->lookupDone(request->succeeded, request->password);
        else if (request->storeDone)
            request->storeDone(request->succeeded);
    }
}
