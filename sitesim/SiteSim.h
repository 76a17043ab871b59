// The simulated performer site: web, image and preview servers on loopback, with list churn and
// injectable faults.
#pragma once

#include "UpdateSigner.h"

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sitesim
{

/// How the server mishandles a request for a path (set with SiteSim::SetFault).
enum class Fault
{
    None,
    Refuse,         // accept the connection, then close it at once without a reply
    NoAnswer,       // accept and read the request, never answer (until Stop)
    StallMidBody,   // headers with a Content-Length and half the body, then nothing (until Stop)
    DropMidBody,    // headers with a Content-Length and half the body, then close the connection
    NotFound,       // 404
    ServerError,    // 500
    Chunked,        // normal body, but sent with Transfer-Encoding: chunked
    CloseDelimited, // normal body, no Content-Length nor chunks, closed at the end (HTTP/1.0 style)
    Garbage,        // not HTTP at all: some random bytes then close
    LongLines,      // normal 200 reply whose body holds lines of 1 MiB
    SlowDrip,       // normal body, one byte every 50 ms
    Redirect,       // 302 to the same target under "/moved" on the same server, with an HTML body
    Endless,        // 200 without Content-Length, the body then text without end (until the
                    // client closes or Stop): a reply past any size limit
    HugeLength      // 200 announcing kHugeLength bytes (past 4 GiB), then text until the client
                    // closes or Stop
};

/// The length that Fault::HugeLength announces.
constexpr long long kHugeLength = 5LL << 30;

/// Short lower-case name of a fault ("stall-mid-body"), for messages and test names.
const char* FaultName(Fault fault);

struct Request
{
    std::string server; // "web", "image" or "preview"
    std::string method;
    std::string path;  // without the query
    std::string query; // raw text after '?', unescaped as received ("" when none)
    std::vector<std::pair<std::string, std::string>> headers; // as received, in order
};

struct Options
{
    std::string bindHost = "127.0.0.1";
    int webPort = 0, imagePort = 0, previewPort = 0; // 0: any free port
    int population = 300;                            // performers in the generated list
    unsigned seed = 1;
    bool churn = true;        // the generated list changes between requests
    std::string accountsFile; // optional: lines "user:password:fav1,fav2", '#' starts a comment
    std::string updateDir;    // optional: files "module", "skin", "mo", "manifest" and "version"
    std::string updateKeyFile; // optional: the secret seed that signs the release statement
    bool compress = true;     // replies go gzip-compressed to requests that accept gzip
};

/// The first `population` performer names of the generated list for `seed`, in list order,
/// before any churn.
std::vector<std::string> GeneratedNames(int population, unsigned seed);

/// The profile picture (a baseline JPEG, 107x82) the image server sends for a performer name.
std::string ProfileImage(const std::string& name);

/// Compares dotted version numbers ("1.10" > "1.9", "1.3" == "1.3.0"): negative, 0 or positive.
int CompareVersions(const std::string& a, const std::string& b);

class SiteSim
{
public:
    static constexpr int kDefaultWebPort = 18080, kDefaultImagePort = 18081, kDefaultPreviewPort = 18082;

    explicit SiteSim(Options options = Options());
    ~SiteSim();
    SiteSim(const SiteSim&) = delete;
    SiteSim& operator=(const SiteSim&) = delete;

    /// Binds the three listeners and serves them on background threads; false when a port
    /// cannot be bound.
    bool Start();
    /// Ends every listener and connection (stalled and delayed ones too) and joins all threads;
    /// idempotent.
    void Stop();

    int WebPort() const;
    int ImagePort() const;
    int PreviewPort() const;
    std::string WebServer() const; // "127.0.0.1:PORT"
    std::string ImageServer() const;
    std::string PreviewServer() const;

    /// Serves exactly this body as the performer list from now on (no churn).
    void SetPerformerList(const std::string& body);
    bool SetPerformerListFromFile(const std::string& path);
    /// Back to a freshly generated population (from the seed of the options).
    void UseGeneratedList(int population, bool churn);

    /// Applies on whichever server gets the path (without query); a path ending in '*' is a
    /// prefix ("/WebArchive/*": every picture), an exact path wins over a prefix, a longer
    /// prefix over a shorter one. Fault::None clears it.
    void SetFault(const std::string& path, Fault fault);
    /// From now on the n-th request for the path (exact or prefix, as for faults) waits
    /// millis[n] before its reply, 0 past the end; Stop ends the waits. Empty: no delays.
    void SetReplyDelays(const std::string& path, std::vector<int> millis);
    /// Clears every fault and every reply delay.
    void ClearFaults();
    /// Whether replies go gzip-compressed to requests whose Accept-Encoding takes gzip (an
    /// endless fault then sends an endless compressed stream); on unless the options say no.
    void SetCompression(bool compress);

    /// Serves an arbitrary resource on the web server; it takes precedence over the built-in
    /// pages.
    void SetResource(const std::string& path, std::string body, std::string contentType);
    /// Serves a reply of this status on the web server: a 3xx one with a Location and, but for
    /// 304, a short HTML page.
    void SetStatusReply(const std::string& path, int status);

    /// The login check compares the percent-decoded fields of its query with these.
    void AddAccount(const std::string& user, const std::string& password, std::vector<std::string> favourites);
    /// Adds the accounts of a file ("user:password:fav1,fav2" per line); false when it cannot
    /// be read.
    bool LoadAccountsFile(const std::string& path);

    /// type "" (the module), "skin", "mo" or "manifest".
    void SetUpdateFile(const std::string& type, std::string body);
    /// The newest version the update service knows.
    void SetUpdateVersion(const std::string& latest);
    /// Takes the update files and the "version" file from a folder; false when it holds neither.
    bool LoadUpdateDir(const std::string& dir);
    /// Signs the release statement with this secret seed (64 hexadecimal digits); false for a bad
    /// one. Without a key the service offers updates without a statement.
    bool SetUpdateKey(const std::string& seedHex);
    /// Reads the seed from the first line of a file; false when it can not.
    bool LoadUpdateKeyFile(const std::string& path);
    /// Misbehaves on purpose in one of the ways a program must refuse.
    void SetUpdateTrick(UpdateTrick trick);
    /// The version the statement names, whatever the service offers; "" (the default): the same.
    void SetStatementVersion(const std::string& version);

    std::vector<Request> Requests() const;
    void ClearRequests();
    /// True once at least `count` requests are logged, false after timeoutMs.
    bool WaitForRequests(size_t count, int timeoutMs) const;

    /// The most connections open at once on a server ("web", "image" or "preview") since Start
    /// or ResetPeakConnections; a connection whose client has closed it no longer counts.
    int PeakConnections(const std::string& server) const;
    void ResetPeakConnections();

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace sitesim
