// The sitesim program: runs the simulated site on loopback until SIGINT or SIGTERM.
#include "SiteSim.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <sys/stat.h>
#include <string>
#include <utility>
#include <vector>

namespace
{
// A list of a million performers is some 120 MB, rendered again on every request.
const long kMaxPopulation = 1000000;

void PrintUsage(FILE* out)
{
    std::fprintf(out,
                 "usage: sitesim [options]\n"
                 "  --web PORT          web server port (default %d)\n"
                 "  --image PORT        image server port (default %d)\n"
                 "  --preview PORT      preview page server port (default %d)\n"
                 "  --population N      performers in the generated list (default 300, up to %ld)\n"
                 "  --seed N            seed of the generated list (default 1)\n"
                 "  --no-churn          keep the generated list unchanged between requests\n"
                 "  --no-compression    never gzip a reply, even to a request that accepts it\n"
                 "  --list FILE         serve this file as the performer list instead\n"
                 "  --accounts FILE     accounts, one a line: user:password:fav1,fav2\n"
                 "  --update-dir DIR    update files: module, skin, mo, manifest and version\n"
                 "  --update-key FILE   sign the update's release statement with the secret seed\n"
                 "                      in FILE (64 hexadecimal digits)\n"
                 "  --update-trick NAME offer a bad update on purpose: unsigned, no-statement,\n"
                 "                      wrong-key, bad-signature, tampered-statement, older,\n"
                 "                      expired, mismatch, truncated, oversized, bad-skin\n"
                 "                      or larger-in-statement\n"
                 "  --make-key FILE     write a new secret seed to FILE (mode 0600) and its public\n"
                 "                      key to FILE.pub, then end\n"
                 "  --fault PATH=NAME   mishandle requests for PATH (a trailing '*' makes it a prefix)\n"
                 "                      with the fault NAME (refuse, no-answer, stall-mid-body,\n"
                 "                      drop-mid-body, not-found, server-error, chunked,\n"
                 "                      close-delimited, garbage, long-lines, slow-drip, redirect,\n"
                 "                      endless, huge-length); may be given again\n"
                 "  --log               print each request as it comes (server, method, path?query)\n"
                 "  --help              show this text\n",
                 sitesim::SiteSim::kDefaultWebPort, sitesim::SiteSim::kDefaultImagePort,
                 sitesim::SiteSim::kDefaultPreviewPort, kMaxPopulation);
}

bool ParseNumber(const char* text, long low, long high, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

// "PATH=NAME" with NAME a fault's short name.
bool ParseFault(const std::string& text, std::string& path, sitesim::Fault& fault)
{
    const size_t equals = text.rfind('=');
    if (equals == std::string::npos || equals == 0 || text[0] != '/')
        return false;
    path = text.substr(0, equals);
    const std::string name = text.substr(equals + 1);
    for (int f = static_cast<int>(sitesim::Fault::Refuse); f <= static_cast<int>(sitesim::Fault::HugeLength); ++f)
    {
        if (name == sitesim::FaultName(static_cast<sitesim::Fault>(f)))
        {
            fault = static_cast<sitesim::Fault>(f);
            return true;
        }
    }
    return false;
}

// A key pair for signing updates: the secret seed private to its owner, the public key beside it.
int MakeKey(const std::string& file)
{
    std::string seed, publicKey;
    sitesim::MakeUpdateKey(seed, publicKey);
    FILE* secret = seed.empty() ? nullptr : std::fopen(file.c_str(), "wx");
    if (secret)
        ::fchmod(fileno(secret), 0600);
    FILE* pub = secret ? std::fopen((file + ".pub").c_str(), "w") : nullptr;
    const bool written = pub && std::fprintf(secret, "%s\n", seed.c_str()) > 0 &&
                         std::fprintf(pub, "%s\n", publicKey.c_str()) > 0;
    const bool closed = (!secret || std::fclose(secret) == 0) && (!pub || std::fclose(pub) == 0);
    if (!written || !closed)
    {
        std::fprintf(stderr, "sitesim: cannot write a new key to %s (it must not exist yet)\n", file.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    sitesim::Options options;
    options.webPort = sitesim::SiteSim::kDefaultWebPort;
    options.imagePort = sitesim::SiteSim::kDefaultImagePort;
    options.previewPort = sitesim::SiteSim::kDefaultPreviewPort;
    std::string listFile, updateKeyFile;
    sitesim::UpdateTrick trick = sitesim::UpdateTrick::None;
    bool logRequests = false;
    std::vector<std::pair<std::string, sitesim::Fault>> faults;

    for (int i = 1; i < argc; ++i)
    {
        std::string arg = argv[i];
        auto needValue = [&](const char* what) -> const char* {
            if (i + 1 >= argc)
            {
                std::fprintf(stderr, "sitesim: %s needs %s\n", arg.c_str(), what);
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&](long low, long high) -> long {
            const char* text = needValue("a number");
            long value = 0;
            if (!ParseNumber(text, low, high, value))
            {
                std::fprintf(stderr, "sitesim: bad value for %s: %s\n", arg.c_str(), text);
                std::exit(2);
            }
            return value;
        };
        if (arg == "--help" || arg == "-h")
        {
            PrintUsage(stdout);
            return 0;
        }
        else if (arg == "--web")
            options.webPort = static_cast<int>(number(0, 65535));
        else if (arg == "--image")
            options.imagePort = static_cast<int>(number(0, 65535));
        else if (arg == "--preview")
            options.previewPort = static_cast<int>(number(0, 65535));
        else if (arg == "--population")
            options.population = static_cast<int>(number(0, kMaxPopulation));
        else if (arg == "--seed")
            options.seed = static_cast<unsigned>(number(0, 4294967295L));
        else if (arg == "--log")
            logRequests = true;
        else if (arg == "--fault")
        {
            const char* text = needValue("PATH=NAME");
            std::pair<std::string, sitesim::Fault> fault;
            if (!ParseFault(text, fault.first, fault.second))
            {
                std::fprintf(stderr, "sitesim: bad value for --fault: %s\n", text);
                return 2;
            }
            faults.push_back(fault);
        }
        else if (arg == "--no-churn")
            options.churn = false;
        else if (arg == "--no-compression")
            options.compress = false;
        else if (arg == "--list")
            listFile = needValue("a file");
        else if (arg == "--accounts")
            options.accountsFile = needValue("a file");
        else if (arg == "--update-dir")
            options.updateDir = needValue("a folder");
        else if (arg == "--update-key")
            updateKeyFile = needValue("a file");
        else if (arg == "--update-trick")
        {
            const char* name = needValue("a trick");
            if (!sitesim::ParseUpdateTrick(name, trick))
            {
                std::fprintf(stderr, "sitesim: bad value for --update-trick: %s\n", name);
                return 2;
            }
        }
        else if (arg == "--make-key")
            return MakeKey(needValue("a file"));
        else
        {
            std::fprintf(stderr, "sitesim: unknown option %s\n", arg.c_str());
            PrintUsage(stderr);
            return 2;
        }
    }

    // The files are loaded again here only to report a bad path; the simulator itself stays quiet.
    std::string accountsFile = options.accountsFile, updateDir = options.updateDir;
    options.accountsFile.clear();
    options.updateDir.clear();
    sitesim::SiteSim site(options);
    if (!accountsFile.empty() && !site.LoadAccountsFile(accountsFile))
    {
        std::fprintf(stderr, "sitesim: cannot read accounts file %s\n", accountsFile.c_str());
        return 1;
    }
    if (!updateDir.empty() && !site.LoadUpdateDir(updateDir))
    {
        std::fprintf(stderr, "sitesim: no update files in %s\n", updateDir.c_str());
        return 1;
    }
    if (!updateKeyFile.empty() && !site.LoadUpdateKeyFile(updateKeyFile))
    {
        std::fprintf(stderr, "sitesim: no secret seed in %s\n", updateKeyFile.c_str());
        return 1;
    }
    site.SetUpdateTrick(trick);
    if (!listFile.empty() && !site.SetPerformerListFromFile(listFile))
    {
        std::fprintf(stderr, "sitesim: cannot read list file %s\n", listFile.c_str());
        return 1;
    }

    for (const auto& fault : faults)
        site.SetFault(fault.first, fault.second);

    // Block the stop signals before any server thread exists, so that all of them inherit the
    // mask and the signals reach only the sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    if (!site.Start())
    {
        std::fprintf(stderr, "sitesim: cannot listen on %s ports %d, %d, %d\n", options.bindHost.c_str(),
                     options.webPort, options.imagePort, options.previewPort);
        return 1;
    }
    std::printf("sitesim: web http://%s image http://%s preview http://%s\n", site.WebServer().c_str(),
                site.ImageServer().c_str(), site.PreviewServer().c_str());
    std::fflush(stdout);

    // With the log on, the requests are looked at a few times a second while waiting.
    const timespec logPause = {0, 100 * 1000 * 1000};
    size_t logged = 0;
    while (sigtimedwait(&stopSignals, nullptr, logRequests ? &logPause : nullptr) < 0)
    {
        if (!logRequests)
            continue;
        const std::vector<sitesim::Request> requests = site.Requests();
        for (; logged < requests.size(); ++logged)
        {
            const sitesim::Request& r = requests[logged];
            std::printf("%s %s %s%s%s\n", r.server.c_str(), r.method.c_str(), r.path.c_str(),
                        r.query.empty() ? "" : "?", r.query.c_str());
        }
        std::fflush(stdout);
    }
    site.Stop();
    return 0;
}
