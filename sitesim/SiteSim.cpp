// The simulated site: three servers on loopback that serve the performer list, profile
// pictures, preview pages, the login check and the update service, and misbehave on request.
#include "SiteSim.h"

#include "FaultFraming.h"
#include "FaultTable.h"
#include "Gzip.h"
#include "HttpServer.h"
#include "Population.h"
#include "ProfilePicture.h"
#include "RequestReader.h"
#include "Routes.h"
#include "Text.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace sitesim
{
namespace
{
const char* const kServerNames[3] = {"web", "image", "preview"};
} // namespace

std::vector<std::string> GeneratedNames(int population, unsigned seed)
{
    return Population(population, seed).GetNames();
}

std::string ProfileImage(const std::string& name)
{
    return ProfilePicture(name).ToJpeg();
}

int CompareVersions(const std::string& a, const std::string& b)
{
    return Text::CompareVersions(a, b);
}

struct SiteSim::Impl
{
    explicit Impl(Options options_)
        : options(std::move(options_)), routes(options.population, options.seed, options.churn), framing(options.seed),
          compress(options.compress)
    {
        for (int i = 0; i < 3; ++i)
            servers[i] = std::make_unique<HttpServer>(
                kServerNames[i], [this](const Socket& socket, const Request& request, bool keepAlive) {
                    return Answer(socket, request, keepAlive);
                });
    }

    // The delay and the fault are those set when the request arrived. They are taken before
    // the request shows in the log, so that requests seen in the log in some order take their
    // delays in that order.
    bool Answer(const Socket& socket, const Request& request, bool keepAlive)
    {
        const Fault fault = faults.GetFault(request.path);
        const int delay = faults.TakeDelay(request.path);
        const std::string* accepted = RequestReader::FindHeader(request, "Accept-Encoding");
        const bool gzip = compress && accepted && AcceptsGzip(*accepted);
        Log(request);
        if (delay > 0 && !socket.Pause(delay))
            return false;
        return framing.Answer(socket, request, fault, keepAlive, gzip,
                              [&] { return routes.Route(request, Address(1)); });
    }

    void Log(const Request& request)
    {
        {
            std::lock_guard<std::mutex> lock(logMutex);
            log.push_back(request);
        }
        logChanged.notify_all();
    }

    int WantedPort(int index) const
    {
        const int wanted[3] = {options.webPort, options.imagePort, options.previewPort};
        return wanted[index];
    }

    // The port bound, or before the first Start the one asked for.
    int Port(int index) const
    {
        const int bound = servers[index]->GetPort();
        return bound ? bound : WantedPort(index);
    }

    std::string Address(int index) const
    {
        std::string host = options.bindHost;
        if (host.empty() || host == "0.0.0.0")
            host = "127.0.0.1";
        return host + ":" + std::to_string(Port(index));
    }

    const Options options;
    Routes routes;
    FaultTable faults;
    FaultFraming framing;
    std::unique_ptr<HttpServer> servers[3];
    std::atomic<bool> compress;

    mutable std::mutex logMutex;
    mutable std::condition_variable logChanged;
    std::vector<Request> log;
};

SiteSim::SiteSim(Options options) : impl(std::make_unique<Impl>(std::move(options)))
{
    if (!impl->options.accountsFile.empty())
        LoadAccountsFile(impl->options.accountsFile);
    if (!impl->options.updateDir.empty())
        LoadUpdateDir(impl->options.updateDir);
    if (!impl->options.updateKeyFile.empty())
        LoadUpdateKeyFile(impl->options.updateKeyFile);
}

SiteSim::~SiteSim()
{
    Stop();
}

bool SiteSim::Start()
{
    for (int i = 0; i < 3; ++i)
        if (!impl->servers[i]->Start(impl->options.bindHost, impl->WantedPort(i)))
        {
            Stop();
            return false;
        }
    return true;
}

void SiteSim::Stop()
{
    for (auto& server : impl->servers)
        server->Stop();
}

int SiteSim::WebPort() const
{
    return impl->Port(0);
}

int SiteSim::ImagePort() const
{
    return impl->Port(1);
}

int SiteSim::PreviewPort() const
{
    return impl->Port(2);
}

std::string SiteSim::WebServer() const
{
    return impl->Address(0);
}

std::string SiteSim::ImageServer() const
{
    return impl->Address(1);
}

std::string SiteSim::PreviewServer() const
{
    return impl->Address(2);
}

void SiteSim::SetPerformerList(const std::string& body)
{
    impl->routes.SetPerformerList(body);
}

bool SiteSim::SetPerformerListFromFile(const std::string& path)
{
    std::string body;
    if (!Text::ReadWholeFile(path, body))
        return false;
    impl->routes.SetPerformerList(std::move(body));
    return true;
}

void SiteSim::UseGeneratedList(int population, bool churn)
{
    impl->routes.UseGeneratedList(population, churn);
}

void SiteSim::SetFault(const std::string& path, Fault fault)
{
    impl->faults.SetFault(path, fault);
}

void SiteSim::SetReplyDelays(const std::string& path, std::vector<int> millis)
{
    impl->faults.SetReplyDelays(path, std::move(millis));
}

void SiteSim::ClearFaults()
{
    impl->faults.Clear();
}

void SiteSim::SetCompression(bool compress)
{
    impl->compress = compress;
}

void SiteSim::SetStatusReply(const std::string& path, int status)
{
    impl->routes.SetStatusReply(path, status);
}

void SiteSim::SetResource(const std::string& path, std::string body, std::string contentType)
{
    impl->routes.SetResource(path, std::move(body), std::move(contentType));
}

void SiteSim::AddAccount(const std::string& user, const std::string& password, std::vector<std::string> favourites)
{
    impl->routes.AddAccount(user, password, std::move(favourites));
}

bool SiteSim::LoadAccountsFile(const std::string& path)
{
    return impl->routes.LoadAccountsFile(path);
}

void SiteSim::SetUpdateFile(const std::string& type, std::string body)
{
    impl->routes.SetUpdateFile(type, std::move(body));
}

void SiteSim::SetUpdateVersion(const std::string& latest)
{
    impl->routes.SetUpdateVersion(latest);
}

bool SiteSim::LoadUpdateDir(const std::string& dir)
{
    return impl->routes.LoadUpdateDir(dir);
}

bool SiteSim::SetUpdateKey(const std::string& seedHex)
{
    return impl->routes.SetUpdateKey(seedHex);
}

bool SiteSim::LoadUpdateKeyFile(const std::string& path)
{
    std::string text;
    return Text::ReadWholeFile(path, text) && SetUpdateKey(Text::Trim(text.substr(0, text.find('\n'))));
}

void SiteSim::SetUpdateTrick(UpdateTrick trick)
{
    impl->routes.SetUpdateTrick(trick);
}

void SiteSim::SetStatementVersion(const std::string& version)
{
    impl->routes.SetStatementVersion(version);
}

std::vector<Request> SiteSim::Requests() const
{
    std::lock_guard<std::mutex> lock(impl->logMutex);
    return impl->log;
}

void SiteSim::ClearRequests()
{
    std::lock_guard<std::mutex> lock(impl->logMutex);
    impl->log.clear();
}

bool SiteSim::WaitForRequests(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(impl->logMutex);
    return impl->logChanged.wait_for(lock, std::chrono::milliseconds(std::max(0, timeoutMs)),
                                     [&] { return impl->log.size() >= count; });
}

int SiteSim::PeakConnections(const std::string& server) const
{
    for (int i = 0; i < 3; ++i)
        if (server == kServerNames[i])
            return impl->servers[i]->GetPeakConnections();
    return 0;
}

void SiteSim::ResetPeakConnections()
{
    for (auto& server : impl->servers)
        server->ResetPeakConnections();
}

} // namespace sitesim
