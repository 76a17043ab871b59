// The account's password in the desktop's keyring (the Secret Service), asked without waiting.
#pragma once

#include <wx/string.h>
#include <wx/timer.h>

#include <functional>
#include <memory>
#include <vector>

typedef struct _GMainContext GMainContext;

class Keyring
{
public:
    /// found: the keyring answered with a password; false for none, no keyring, or no answer in time.
    using LookupDone = std::function<void(bool found, const wxString& password)>;
    /// stored: the keyring holds the password now.
    using StoreDone = std::function<void(bool stored)>;

    /// A keyring that has not answered within limitMilliseconds counts as none.
    explicit Keyring(int limitMilliseconds = kLimitMilliseconds);
    /// Cancels what is under way; no callback runs after this.
    ~Keyring();

    /// Whether a session bus is there to reach a keyring through: without one nothing is asked,
    /// so that no bus is started for the sake of a keyring.
    static bool HasSessionBus();

    /// The password stored for the account id; done runs on the main thread, always, later.
    void Lookup(const wxString& id, LookupDone done);
    /// Stores (or replaces) the password of the account id; done as for Lookup.
    void Store(const wxString& id, const wxString& password, StoreDone done);

    static const int kLimitMilliseconds = 5000;

    struct Request;

private:
    void Start(std::unique_ptr<Request> request);
    void Poll();

    int limitMilliseconds;
    // The keyring's replies are dispatched here, by Poll, never from the toolkit's own loop: the
    // destructor can then wait for libsecret to let go of every request without running anything
    // else of the program.
    GMainContext* context;
    std::vector<std::unique_ptr<Request>> requests;
    wxTimer pollTimer;
};
