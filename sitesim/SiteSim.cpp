// The simulated site: a small HTTP/1.1 server on raw sockets that serves the performer list, profile
// pictures, preview pages, the login check and the update service, and misbehaves on request.
//
// The server is written on plain sockets rather than on an HTTP library because the faults it must
// produce (a closed connection without a reply, a stalled or cut body, a close-delimited body, bytes
// that are not HTTP at all) live below the level that such libraries let a handler reach.
#include "SiteSim.h"

#include "JpegWriter.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <list>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace sitesim {
namespace {

const char* const kServerNames[3] = {"web", "image", "preview"};
const char* const kListPath = "/include/js/online_performers.js";
const char* const kLoginPath = "/loginchecker";
const char* const kUpdatePath = "/cgi-bin/app/update.cgi";
const char* const kPreviewPath = "/preview.shtml";
const char* const kImagePrefix = "/WebArchive/";
const char* const kImageSuffix = "/thumbs/LinkedImage.jpg";

const size_t kMaxHeadBytes = 64 * 1024;
const size_t kMaxRequestBody = 16 * 1024 * 1024;
// A keep-alive connection with no new request for this long is closed, so idle clients
// do not hold a thread each for ever.
const int kIdleTimeoutMs = 10000;
const int kDripIntervalMs = 50;
const size_t kLongLineBytes = 1024 * 1024;

// splitmix64: small, good enough, and the same on every platform and standard library, which
// std::uniform_int_distribution is not; the generated names must not depend on the toolchain.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }

private:
    uint64_t state_;
};

uint32_t HashName(const std::string& text) {
    uint32_t h = 2166136261u;  // FNV-1a
    for (unsigned char c : text) h = (h ^ c) * 16777619u;
    return h;
}

// ---- performer population -------------------------------------------------------------------

const char* const kFirstWords[] = {
    "Amber", "Luna", "Bella", "Chloe", "Daisy", "Ella", "Faye", "Gigi", "Hazel", "Ivy", "Jade", "Kira",
    "Lexi", "Mia", "Nina", "Olive", "Penny", "Quinn", "Ruby", "Sasha", "Tara", "Vera", "Willow", "Xena",
    "Yara", "Zoe", "Aria", "Bianca", "Candy", "Dolly", "Eva", "Flora", "Gina", "Holly", "Iris", "Jolie",
    "Kitty", "Lola", "Maya", "Nova", "Opal", "Pixie", "Rosa", "Sky", "Tess", "Vicky", "Wendy", "Ashley",
    "Brooke", "Cassie", "Dana", "Emma", "Fiona", "Grace", "Heidi", "Isla", "Jenna", "Kayla", "Lily",
    "Misty", "Naomi", "Paige", "Roxy", "Sophie", "Tina", "Valerie", "Zara", "Carmen", "Dakota", "Erin",
    "Gemma", "Harper", "Jasmine", "Karina", "Leah", "Megan", "Nadia", "Olivia", "Riley", "Stella",
    "Trixie", "Violet", "Yasmin", "Alina", "Bonnie", "Celia", "Dina", "Elena", "Freya", "Greta"};
const char* const kSecondWords[] = {
    "Rose", "Star", "Moon", "Sweet", "Angel", "Fox", "Kiss", "Honey", "Sugar", "Dream", "Bunny",
    "Lace", "Silk", "Velvet", "Blue", "Wild", "Cherry", "Peach", "Berry", "Sun", "Night", "Storm",
    "Dove", "Pearl", "Gold", "Spark", "Flame", "Glow", "Doll", "Kitten", "Bloom", "Skye", "Rain",
    "Snow", "Heart", "Belle", "Grey", "Lane", "Cruz", "West", "Stone", "Vale", "Bliss", "Jewel"};
const char* const kPrefixes[] = {"Miss", "Lady", "Little", "Sexy", "Sweet", "Hot", "Cute", "Naughty"};

template <size_t N>
const char* Pick(Rng& rng, const char* const (&words)[N]) {
    return words[rng.Below(N)];
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string TwoDigits(Rng& rng) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02u", static_cast<unsigned>(rng.Below(100)));
    return digits;
}

enum Show { kFree, kPublic, kPrivate };

struct Performer {
    std::string name;
    Show show = kFree;
    int viewers = 0;
    bool hd = false;
};

// The generated online population and its churn. Everything is drawn from the seed, so a run
// can be replayed exactly; names come from their own stream so that they do not depend on how
// many draws the shows took.
class Population {
public:
    Population(int size, unsigned seed)
        : target_(std::max(0, size)), rng_(seed * 0x100000001B3ull + 17), nameRng_(seed * 0xC2B2AE3D27D4EB4Full + 5) {
        online_.reserve(static_cast<size_t>(target_));
        for (int i = 0; i < target_; ++i) online_.push_back(Arrival(NewName()));
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        names.reserve(online_.size());
        for (const Performer& p : online_) names.push_back(p.name);
        return names;
    }

    std::string Render() const {
        std::string out;
        out.reserve(online_.size() * 110 + 512);
        out += "// online performers, refreshed by the server on every request\n";
        out += "var online_performers = new Set();\n";
        out += "var free_performers = new Set();\n";
        out += "var busy_performers = new Set();\n";
        out += "var public_performers = new Set();\n";
        out += "var private_performers = new Set();\n";
        out += "\n";
        size_t index = 0;
        for (const Performer& p : online_) {
            if (index && index % 100 == 0) out += "// -- " + std::to_string(index) + " --\n";
            ++index;
            out += p.name + ".viewers = " + std::to_string(p.viewers) + ";\n";
            if (p.hd) out += p.name + ".hd = true;\n";
            out += "online_performers.add(" + p.name + ");\n";
            switch (p.show) {
            case kFree:
                out += "free_performers.add(" + p.name + ");\n";
                break;
            case kPublic:
                out += "busy_performers.add(" + p.name + ");\n";
                out += "public_performers.add(" + p.name + ");\n";
                break;
            case kPrivate:
                out += "busy_performers.add(" + p.name + ");\n";
                out += "private_performers.add(" + p.name + ");\n";
                break;
            }
        }
        out += "\n";
        out += "if (typeof onPerformersLoaded == \"function\") onPerformersLoaded(online_performers);\n";
        return out;
    }

    // A few performers leave, as many arrive (some of them earlier leavers), a few change show.
    void Churn() {
        if (online_.empty() && target_ == 0) return;
        size_t earlierLeavers = away_.size();
        size_t leaves = std::min(online_.size(), 1 + rng_.Below(3) + online_.size() / 500);
        for (size_t i = 0; i < leaves; ++i) {
            size_t at = rng_.Below(online_.size());
            away_.push_back(online_[at].name);
            online_.erase(online_.begin() + static_cast<std::ptrdiff_t>(at));
        }
        while (online_.size() < static_cast<size_t>(target_)) {
            std::string name;
            // Only performers who left in an earlier round come back, so a round always changes the list.
            if (earlierLeavers && rng_.Below(2) == 0) {
                size_t at = rng_.Below(earlierLeavers);
                name = away_[at];
                away_.erase(away_.begin() + static_cast<std::ptrdiff_t>(at));
                --earlierLeavers;
            } else {
                name = NewName();
            }
            size_t at = rng_.Below(online_.size() + 1);
            online_.insert(online_.begin() + static_cast<std::ptrdiff_t>(at), Arrival(name));
        }
        if (away_.size() > 5000) away_.erase(away_.begin(), away_.begin() + 1000);
        size_t changes = std::min(online_.size(), 2 + rng_.Below(4) + online_.size() / 300);
        for (size_t i = 0; i < changes; ++i) {
            Performer& p = online_[rng_.Below(online_.size())];
            p.show = static_cast<Show>((p.show + 1 + rng_.Below(2)) % 3);
            p.viewers = Viewers(p.show);
        }
        for (size_t i = 0, n = std::min<size_t>(online_.size(), 10); i < n; ++i) {
            Performer& p = online_[rng_.Below(online_.size())];
            p.viewers = Viewers(p.show);
        }
    }

private:
    std::string NewName() {
        for (;;) {
            std::string first = Pick(nameRng_, kFirstWords), second = Pick(nameRng_, kSecondWords), name;
            switch (nameRng_.Below(9)) {
            case 0: name = first + "_" + second; break;
            case 1: name = Lower(first) + TwoDigits(nameRng_); break;
            case 2: name = first + second; break;
            case 3: name = Lower(second) + "_" + Lower(first); break;
            case 4: name = first + std::to_string(100 + nameRng_.Below(900)); break;
            case 5: name = std::string(Pick(nameRng_, kPrefixes)) + first; break;
            case 6: name = first + "_" + second + TwoDigits(nameRng_); break;
            case 7: name = Lower(first + second); break;
            default: name = Lower(first) + "_" + Lower(second); break;
            }
            // Past a few thousand names the plain forms run out; a suffix keeps them unique.
            if (used_.count(name)) name += "_" + TwoDigits(nameRng_);
            if (used_.insert(name).second) return name;
        }
    }

    int Viewers(Show show) {
        switch (show) {
        case kFree: return static_cast<int>(rng_.Below(40));
        case kPublic: return 5 + static_cast<int>(rng_.Below(400));
        case kPrivate: return 1 + static_cast<int>(rng_.Below(2));
        }
        return 0;
    }

    Performer Arrival(std::string name) {
        Performer p;
        p.name = std::move(name);
        size_t roll = rng_.Below(100);
        p.show = roll < 55 ? kFree : roll < 85 ? kPublic : kPrivate;
        p.viewers = Viewers(p.show);
        p.hd = rng_.Below(4) == 0;
        return p;
    }

    int target_;
    Rng rng_, nameRng_;
    std::unordered_set<std::string> used_;
    std::vector<Performer> online_;
    std::vector<std::string> away_;
};

// ---- profile pictures -----------------------------------------------------------------------

struct Rgb {
    float r, g, b;
};

Rgb FromHue(float hue, float saturation, float value) {
    float h = hue * 6.0f;
    int sector = static_cast<int>(h) % 6;
    float f = h - static_cast<float>(static_cast<int>(h));
    float p = value * (1 - saturation), q = value * (1 - saturation * f), t = value * (1 - saturation * (1 - f));
    switch (sector) {
    case 0: return {value, t, p};
    case 1: return {q, value, p};
    case 2: return {p, value, t};
    case 3: return {p, q, value};
    case 4: return {t, p, value};
    default: return {value, p, q};
    }
}

uint8_t ToByte(float v) {
    return static_cast<uint8_t>(std::clamp(v * 255.0f + 0.5f, 0.0f, 255.0f));
}

// ---- small text helpers ---------------------------------------------------------------------

std::vector<std::pair<std::string, std::string>> SplitQuery(const std::string& query) {
    std::vector<std::pair<std::string, std::string>> fields;
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        std::string field = query.substr(start, end - start);
        if (!field.empty()) {
            size_t eq = field.find('=');
            if (eq == std::string::npos)
                fields.emplace_back(field, "");
            else
                fields.emplace_back(field.substr(0, eq), field.substr(eq + 1));
        }
        start = end + 1;
    }
    return fields;
}

const std::string* FindField(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& key) {
    for (const auto& field : fields)
        if (field.first == key) return &field.second;
    return nullptr;
}

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return std::string();
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return tolower(static_cast<unsigned char>(x)) == tolower(static_cast<unsigned char>(y));
           });
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    out = text.str();
    return true;
}

std::string HtmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

const char* ReasonPhrase(int status) {
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Unknown";
    }
}

struct Reply {
    int status = 200;
    std::string contentType = "text/plain";
    std::string body;
};

Reply TextReply(int status, const std::string& text) {
    Reply reply;
    reply.status = status;
    reply.body = text;
    return reply;
}

// Lines of short words, so that they are long without being one endless token.
std::string LongLine() {
    static const std::string line = [] {
        std::string text = "// ";
        const char* words[] = {"lorem ", "ipsum ", "dolor ", "sit ", "amet ", "performer ", "online "};
        for (size_t i = 0; text.size() < kLongLineBytes; ++i) text += words[i % 7];
        text.resize(kLongLineBytes);
        return text;
    }();
    return line;
}

}  // namespace

// ---- free functions -------------------------------------------------------------------------

const char* FaultName(Fault fault) {
    switch (fault) {
    case Fault::None: return "none";
    case Fault::Refuse: return "refuse";
    case Fault::NoAnswer: return "no-answer";
    case Fault::StallMidBody: return "stall-mid-body";
    case Fault::DropMidBody: return "drop-mid-body";
    case Fault::NotFound: return "not-found";
    case Fault::ServerError: return "server-error";
    case Fault::Chunked: return "chunked";
    case Fault::CloseDelimited: return "close-delimited";
    case Fault::Garbage: return "garbage";
    case Fault::LongLines: return "long-lines";
    case Fault::SlowDrip: return "slow-drip";
    }
    return "unknown";
}

std::vector<std::string> GeneratedNames(int population, unsigned seed) {
    return Population(population, seed).Names();
}

std::string ProfileImage(const std::string& name) {
    const int width = 107, height = 82;
    // FNV alone leaves similar short names with similar low bits; a round of mixing spreads the hues.
    Rng mixer(HashName(name));
    uint32_t h = static_cast<uint32_t>(mixer.Next()), h2 = static_cast<uint32_t>(mixer.Next());
    float hue = static_cast<float>(h % 360) / 360.0f;
    Rgb top = FromHue(hue, 0.55f, 0.95f);
    Rgb bottom = FromHue(std::fmod(hue + 0.08f + static_cast<float>((h >> 9) % 20) / 100.0f, 1.0f), 0.8f, 0.55f);
    Rgb figure = FromHue(std::fmod(hue + 0.5f, 1.0f), 0.35f, (h >> 16) & 1 ? 0.2f : 0.98f);
    int pattern = static_cast<int>((h >> 20) % 4);
    int period = 6 + static_cast<int>((h2 >> 3) % 10);
    float cx = 40.0f + static_cast<float>(h2 % 28);
    float headY = 26.0f + static_cast<float>((h2 >> 8) % 8);
    float headR = 11.0f + static_cast<float>((h2 >> 12) % 5);

    std::vector<uint8_t> rgb(static_cast<size_t>(width * height * 3));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float t = static_cast<float>(y) / (height - 1);
            Rgb c{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t, top.b + (bottom.b - top.b) * t};
            bool mark = false;
            switch (pattern) {
            case 0: mark = ((x + y) / period) % 2 == 0; break;          // diagonal stripes
            case 1: mark = (x / period + y / period) % 2 == 0; break;  // chequers
            case 2: mark = (x % period) < 2 || (y % period) < 2; break; // grid
            default: mark = ((x - y + 200) / period) % 3 == 0; break;   // sparse stripes
            }
            if (mark) c = {c.r * 0.85f, c.g * 0.85f, c.b * 0.85f};
            float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - headY;
            bool head = dx * dx + dy * dy <= headR * headR;
            float sy = static_cast<float>(y) - (headY + headR * 2.6f);
            bool shoulders = sy > -headR * 1.2f && (dx * dx) / (headR * headR * 3.2f) + (sy * sy) / (headR * headR * 1.6f) <= 1.0f;
            if (head || shoulders) c = figure;
            uint8_t* p = &rgb[static_cast<size_t>((y * width + x) * 3)];
            p[0] = ToByte(c.r);
            p[1] = ToByte(c.g);
            p[2] = ToByte(c.b);
        }
    return EncodeJpeg(rgb, width, height, 85);
}

int CompareVersions(const std::string& a, const std::string& b) {
    // Each part compares by its leading digits as a number; a missing part counts as 0.
    auto parts = [](const std::string& text) {
        std::vector<std::string> out;
        size_t start = 0;
        for (;;) {
            size_t dot = text.find('.', start);
            std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
            size_t digits = 0;
            while (digits < part.size() && isdigit(static_cast<unsigned char>(part[digits]))) ++digits;
            part.resize(digits);
            size_t zeros = part.find_first_not_of('0');
            out.push_back(zeros == std::string::npos ? std::string() : part.substr(zeros));
            if (dot == std::string::npos) break;
            start = dot + 1;
        }
        return out;
    };
    std::vector<std::string> x = parts(Trim(a)), y = parts(Trim(b));
    for (size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
        std::string p = i < x.size() ? x[i] : std::string(), q = i < y.size() ? y[i] : std::string();
        if (p.size() != q.size()) return p.size() < q.size() ? -1 : 1;
        if (int c = p.compare(q)) return c < 0 ? -1 : 1;
    }
    return 0;
}

// ---- the simulator --------------------------------------------------------------------------

struct SiteSim::Impl {
    struct Account {
        std::string password;
        std::vector<std::string> favourites;
    };
    struct Resource {
        std::string body, contentType;
    };
    struct Connection {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    explicit Impl(Options opts)
        : options(std::move(opts)), population(options.population, options.seed), churn(options.churn) {
        ports[0] = options.webPort;
        ports[1] = options.imagePort;
        ports[2] = options.previewPort;
    }

    Options options;

    // Site content, guarded by `mu`.
    mutable std::mutex mu;
    Population population;
    bool churn;
    bool fixedList = false;
    std::string fixedBody;
    std::map<std::string, Fault> faults;
    std::map<std::string, Resource> resources;
    std::map<std::string, Account> accounts;
    std::map<std::string, std::string> updateFiles;
    std::string latestVersion;
    uint64_t garbageCount = 0;

    // Request log.
    mutable std::mutex logMu;
    mutable std::condition_variable logChanged;
    std::vector<Request> log;

    // Listeners and connections. Start and Stop hold runMu; the pipe is written once on Stop and
    // never drained, so every poll that includes its read end wakes from then on.
    std::mutex runMu;
    bool running = false;
    int wakeRead = -1, wakeWrite = -1;
    int listenFds[3] = {-1, -1, -1};
    std::thread listenThreads[3];
    std::atomic<int> ports[3];
    std::mutex connMu;
    std::list<std::unique_ptr<Connection>> connections;

    std::string Address(int index) const {
        std::string host = options.bindHost;
        if (host.empty() || host == "0.0.0.0") host = "127.0.0.1";
        return host + ":" + std::to_string(ports[index].load());
    }

    // -- socket plumbing --

    static int OpenListener(const std::string& host, int port, int& boundPort) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        std::string numeric = host == "localhost" ? "127.0.0.1" : host.empty() ? "0.0.0.0" : host;
        if (port < 0 || port > 65535 || inet_pton(AF_INET, numeric.c_str(), &address.sin_addr) != 1) return -1;
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return -1;
        int on = 1;
        // Lets the program restart at once on its fixed ports; a port that another socket still
        // listens on is refused all the same.
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        socklen_t length = sizeof address;
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, SOMAXCONN) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            close(fd);
            return -1;
        }
        boundPort = ntohs(address.sin_port);
        return fd;
    }

    // Waits for `events` on fd (or only for Stop when fd < 0). 1: ready, 0: timed out, -1: stopping.
    int WaitFor(int fd, short events, int timeoutMs) const {
        pollfd fds[2] = {{wakeRead, POLLIN, 0}, {fd, events, 0}};
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            int wait = -1;
            if (timeoutMs >= 0) {
                // Rounded up: poll may wake a little early, and a drip must never run fast.
                auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
                wait = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
            }
            int r = poll(fds, fd >= 0 ? 2 : 1, wait);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) return -1;
            if (fds[0].revents) return -1;
            if (r > 0) return 1;
            if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline) return 0;
        }
    }

    bool SendAll(int fd, const char* data, size_t size) const {
        while (size) {
            ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
            if (n > 0) {
                data += n;
                size -= static_cast<size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                if (WaitFor(fd, POLLOUT, -1) < 0) return false;
            } else {
                return false;
            }
        }
        return true;
    }
    bool SendAll(int fd, const std::string& data) const { return SendAll(fd, data.data(), data.size()); }

    // Appends what the peer sent; false on end of stream, error, time-out or Stop.
    bool ReceiveSome(int fd, std::string& buffer, int timeoutMs) const {
        for (;;) {
            char chunk[16384];
            ssize_t n = recv(fd, chunk, sizeof chunk, 0);
            if (n > 0) {
                buffer.append(chunk, static_cast<size_t>(n));
                return true;
            }
            if (n == 0) return false;
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
            if (WaitFor(fd, POLLIN, timeoutMs) <= 0) return false;
        }
    }

    // Holds a connection open without answering until Stop, or until the peer gives up.
    void HoldUntilStopOrHangUp(int fd) const {
        std::string discard;
        while (ReceiveSome(fd, discard, -1)) discard.clear();
    }

    // -- listening and connections --

    void AcceptLoop(int index) {
        for (;;) {
            if (WaitFor(listenFds[index], POLLIN, -1) < 0) return;
            for (;;) {
                int fd = accept4(listenFds[index], nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd < 0) {
                    // Out of descriptors and the like: back off instead of spinning on a ready listener.
                    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED &&
                        WaitFor(-1, 0, 50) < 0)
                        return;
                    break;
                }
                int on = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                Spawn(index, fd);
            }
        }
    }

    void Spawn(int index, int fd) {
        std::lock_guard<std::mutex> lock(connMu);
        for (auto it = connections.begin(); it != connections.end();) {
            if ((*it)->done.load()) {
                (*it)->thread.join();
                it = connections.erase(it);
            } else {
                ++it;
            }
        }
        connections.push_back(std::make_unique<Connection>());
        Connection* connection = connections.back().get();
        try {
            connection->thread = std::thread([this, connection, index, fd] {
                ServeConnection(kServerNames[index], fd);
                shutdown(fd, SHUT_WR);
                close(fd);
                connection->done.store(true);
            });
        } catch (const std::system_error&) {
            close(fd);
            connections.pop_back();
        }
    }

    static bool FindHeadEnd(const std::string& buffer, size_t& end, size_t& separator) {
        size_t crlf = buffer.find("\r\n\r\n"), lf = buffer.find("\n\n");
        if (crlf == std::string::npos && lf == std::string::npos) return false;
        if (lf < crlf) {
            end = lf;
            separator = 2;
        } else {
            end = crlf;
            separator = 4;
        }
        return true;
    }

    // Reads the request line loosely: method up to the first space, version after the last, so
    // that a target with raw spaces (the client does not escape names) still arrives whole.
    static bool ParseHead(const std::string& head, Request& request, std::string& version) {
        std::istringstream lines(head);
        std::string line;
        if (!std::getline(lines, line)) return false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t first = line.find(' '), last = line.rfind(' ');
        if (first == std::string::npos || last == first) return false;
        request.method = line.substr(0, first);
        version = line.substr(last + 1);
        std::string target = line.substr(first + 1, last - first - 1);
        if (version.compare(0, 5, "HTTP/") != 0 || target.empty()) return false;
        // A proxy-style absolute target names the server first.
        if (target.compare(0, 7, "http://") == 0) {
            size_t slash = target.find('/', 7);
            target = slash == std::string::npos ? "/" : target.substr(slash);
        }
        size_t question = target.find('?');
        request.path = target.substr(0, question);
        request.query = question == std::string::npos ? std::string() : target.substr(question + 1);
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            size_t colon = line.find(':');
            if (colon == std::string::npos) continue;
            request.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
        }
        return true;
    }

    static const std::string* Header(const Request& request, const char* name) {
        for (const auto& header : request.headers)
            if (EqualsIgnoreCase(header.first, name)) return &header.second;
        return nullptr;
    }

    void ServeConnection(const std::string& server, int fd) {
        std::string buffer;
        for (;;) {
            size_t headEnd = 0, separator = 0;
            while (!FindHeadEnd(buffer, headEnd, separator)) {
                if (buffer.size() > kMaxHeadBytes || !ReceiveSome(fd, buffer, kIdleTimeoutMs)) return;
            }
            Request request;
            request.server = server;
            std::string version;
            bool parsed = ParseHead(buffer.substr(0, headEnd), request, version);
            buffer.erase(0, headEnd + separator);
            if (!parsed) {
                SendAll(fd, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                return;
            }
            size_t bodyLength = 0;
            if (const std::string* length = Header(request, "Content-Length"))
                bodyLength = static_cast<size_t>(std::strtoull(length->c_str(), nullptr, 10));
            if (bodyLength > kMaxRequestBody) return;
            while (buffer.size() < bodyLength)
                if (!ReceiveSome(fd, buffer, kIdleTimeoutMs)) return;
            buffer.erase(0, bodyLength);

            const std::string* connection = Header(request, "Connection");
            bool keepAlive = version == "HTTP/1.1" ? !(connection && EqualsIgnoreCase(*connection, "close"))
                                                   : (connection && EqualsIgnoreCase(*connection, "keep-alive"));
            Log(request);
            if (!Answer(fd, request, keepAlive)) return;
        }
    }

    void Log(const Request& request) {
        {
            std::lock_guard<std::mutex> lock(logMu);
            log.push_back(request);
        }
        logChanged.notify_all();
    }

    // -- answers --

    Fault FaultFor(const std::string& path) const {
        std::lock_guard<std::mutex> lock(mu);
        auto it = faults.find(path);
        return it == faults.end() ? Fault::None : it->second;
    }

    static std::string StatusHead(int status, const std::string& contentType, bool keepAlive) {
        std::string head = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
        head += "Server: sitesim\r\n";
        head += "Content-Type: " + contentType + "\r\n";
        if (!keepAlive) head += "Connection: close\r\n";
        return head;
    }

    std::string GarbageBytes() {
        uint64_t count;
        {
            std::lock_guard<std::mutex> lock(mu);
            count = ++garbageCount;
        }
        Rng rng(options.seed * 7919ull + count);
        std::string bytes(64 + rng.Below(192), '\0');
        for (char& c : bytes) c = static_cast<char>(rng.Next() & 0xFF);
        bytes[0] = static_cast<char>(0x80 | (bytes[0] & 0x7F));  // never "HTTP/..." by chance
        return bytes;
    }

    // Sends the reply for one request; false when the connection must be closed afterwards.
    bool Answer(int fd, const Request& request, bool keepAlive) {
        Fault fault = FaultFor(request.path);
        switch (fault) {
        case Fault::Refuse:
            return false;
        case Fault::NoAnswer:
            HoldUntilStopOrHangUp(fd);
            return false;
        case Fault::Garbage:
            SendAll(fd, GarbageBytes());
            return false;
        default:
            break;
        }

        Reply reply = fault == Fault::NotFound      ? TextReply(404, "not found\n")
                      : fault == Fault::ServerError ? TextReply(500, "internal server error\n")
                                                    : Route(request);
        if (fault == Fault::LongLines) reply.body = LongLine() + "\n" + reply.body + LongLine() + "\n" + LongLine() + "\n";
        const bool head = request.method == "HEAD";
        const std::string& body = reply.body;

        switch (fault) {
        case Fault::Chunked: {
            std::string out = StatusHead(reply.status, reply.contentType, keepAlive) + "Transfer-Encoding: chunked\r\n\r\n";
            if (!head) {
                // Several chunks even for a short body, so a reader that stops after the first is caught.
                size_t step = std::max<size_t>(1, std::min<size_t>(4096, (body.size() + 2) / 3));
                for (size_t at = 0; at < body.size(); at += step) {
                    size_t n = std::min(step, body.size() - at);
                    char size[32];
                    std::snprintf(size, sizeof size, "%zx\r\n", n);
                    out += size;
                    out.append(body, at, n);
                    out += "\r\n";
                }
                out += "0\r\n\r\n";
            }
            return SendAll(fd, out) && keepAlive;
        }
        case Fault::CloseDelimited:
            SendAll(fd, StatusHead(reply.status, reply.contentType, false) + "\r\n" + (head ? std::string() : body));
            return false;
        case Fault::SlowDrip: {
            std::string out = StatusHead(reply.status, reply.contentType, keepAlive);
            out += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
            if (!SendAll(fd, out)) return false;
            if (head) return keepAlive;
            for (size_t i = 0; i < body.size(); ++i) {
                if ((i > 0 && WaitFor(-1, 0, kDripIntervalMs) < 0) || !SendAll(fd, &body[i], 1)) return false;
            }
            return keepAlive;
        }
        case Fault::StallMidBody:
        case Fault::DropMidBody: {
            std::string out = StatusHead(reply.status, reply.contentType, keepAlive);
            out += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
            out.append(body, 0, body.size() / 2);
            if (SendAll(fd, out) && fault == Fault::StallMidBody) HoldUntilStopOrHangUp(fd);
            return false;
        }
        default: {
            std::string out = StatusHead(reply.status, reply.contentType, keepAlive);
            out += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
            if (!head) out += body;
            return SendAll(fd, out) && keepAlive;
        }
        }
    }

    Reply Route(const Request& request) {
        const std::string& path = request.path;
        if (request.server == "web") {
            {
                std::lock_guard<std::mutex> lock(mu);
                auto it = resources.find(path);
                if (it != resources.end()) {
                    Reply reply;
                    reply.body = it->second.body;
                    reply.contentType = it->second.contentType;
                    return reply;
                }
            }
            if (path == kListPath) return PerformerList();
            if (path == kLoginPath) return Login(request.query);
            if (path == kUpdatePath) return Update(request.query);
        } else if (request.server == "image") {
            const std::string prefix = kImagePrefix, suffix = kImageSuffix;
            if (path.size() > prefix.size() + suffix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
                path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0) {
                std::string name = path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
                if (name.find('/') == std::string::npos) {
                    Reply reply;
                    reply.contentType = "image/jpeg";
                    reply.body = ProfileImage(name);
                    return reply;
                }
            }
        } else if (request.server == "preview") {
            if (path == kPreviewPath && !request.query.empty()) return Preview(request.query);
        }
        return TextReply(404, "not found\n");
    }

    Reply PerformerList() {
        Reply reply;
        reply.contentType = "application/x-javascript";
        std::lock_guard<std::mutex> lock(mu);
        if (fixedList) {
            reply.body = fixedBody;
        } else {
            reply.body = population.Render();
            if (churn) population.Churn();
        }
        return reply;
    }

    Reply Login(const std::string& query) {
        std::lock_guard<std::mutex> lock(mu);
        const Account* found = nullptr;
        // The client inserts the name and password unescaped, so a password holding '&' or '='
        // only survives as the whole query; the split form covers other field orders.
        for (const auto& account : accounts)
            if (query == "username=" + account.first + "&password=" + account.second.password) found = &account.second;
        if (!found) {
            auto fields = SplitQuery(query);
            const std::string* user = FindField(fields, "username");
            const std::string* password = FindField(fields, "password");
            if (user && password) {
                auto it = accounts.find(*user);
                if (it != accounts.end() && it->second.password == *password) found = &it->second;
            }
        }
        if (!found) return TextReply(403, "login failed\n");
        Reply reply;
        for (const std::string& name : found->favourites) reply.body += name + "\n";
        return reply;
    }

    Reply Update(const std::string& query) {
        auto fields = SplitQuery(query);
        const std::string* version = FindField(fields, "version");
        const std::string* type = FindField(fields, "type");
        std::lock_guard<std::mutex> lock(mu);
        auto file = updateFiles.find(type ? *type : std::string());
        if (file != updateFiles.end() && !latestVersion.empty() &&
            CompareVersions(latestVersion, version ? *version : std::string()) > 0) {
            Reply reply;
            reply.contentType = "application/octet-stream";
            reply.body = file->second;
            return reply;
        }
        return TextReply(200, "no update\n");
    }

    Reply Preview(const std::string& name) {
        std::string shown = HtmlEscape(name);
        Reply reply;
        reply.contentType = "text/html";
        reply.body = "<!DOCTYPE html>\n<html>\n<head><meta charset=\"utf-8\"><title>" + shown +
                     " - live preview</title></head>\n<body>\n<h1>" + shown + "</h1>\n<p><img src=\"http://" +
                     Address(1) + kImagePrefix + shown + kImageSuffix + "\" width=\"107\" height=\"82\" alt=\"" +
                     shown + "\"></p>\n<p>" + shown + " is live. Join the free chat to watch.</p>\n</body>\n</html>\n";
        return reply;
    }

    // -- start and stop --

    bool Start() {
        std::lock_guard<std::mutex> lock(runMu);
        if (running) return true;
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
        wakeRead = pipeFds[0];
        wakeWrite = pipeFds[1];
        const int wanted[3] = {options.webPort, options.imagePort, options.previewPort};
        for (int i = 0; i < 3; ++i) {
            int bound = 0;
            listenFds[i] = OpenListener(options.bindHost, wanted[i], bound);
            if (listenFds[i] < 0) {
                for (int j = 0; j < i; ++j) {
                    close(listenFds[j]);
                    listenFds[j] = -1;
                }
                CloseWakePipe();
                return false;
            }
            ports[i] = bound;
        }
        for (int i = 0; i < 3; ++i) listenThreads[i] = std::thread(&Impl::AcceptLoop, this, i);
        running = true;
        return true;
    }

    void Stop() {
        std::lock_guard<std::mutex> lock(runMu);
        if (!running) return;
        const char wake = 'x';
        while (write(wakeWrite, &wake, 1) < 0 && errno == EINTR) {
        }
        for (int i = 0; i < 3; ++i) {
            listenThreads[i].join();
            close(listenFds[i]);
            listenFds[i] = -1;
        }
        // The listeners are gone, so nothing adds to the list any more.
        std::list<std::unique_ptr<Connection>> remaining;
        {
            std::lock_guard<std::mutex> connLock(connMu);
            remaining.swap(connections);
        }
        for (auto& connection : remaining) connection->thread.join();
        CloseWakePipe();
        running = false;
    }

    void CloseWakePipe() {
        close(wakeRead);
        close(wakeWrite);
        wakeRead = wakeWrite = -1;
    }
};

SiteSim::SiteSim(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {
    if (!impl_->options.accountsFile.empty()) LoadAccountsFile(impl_->options.accountsFile);
    if (!impl_->options.updateDir.empty()) LoadUpdateDir(impl_->options.updateDir);
}

SiteSim::~SiteSim() { Stop(); }

bool SiteSim::Start() { return impl_->Start(); }
void SiteSim::Stop() { impl_->Stop(); }

int SiteSim::WebPort() const { return impl_->ports[0]; }
int SiteSim::ImagePort() const { return impl_->ports[1]; }
int SiteSim::PreviewPort() const { return impl_->ports[2]; }
std::string SiteSim::WebServer() const { return impl_->Address(0); }
std::string SiteSim::ImageServer() const { return impl_->Address(1); }
std::string SiteSim::PreviewServer() const { return impl_->Address(2); }

void SiteSim::SetPerformerList(const std::string& body) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->fixedList = true;
    impl_->fixedBody = body;
}

bool SiteSim::SetPerformerListFromFile(const std::string& path) {
    std::string body;
    if (!ReadWholeFile(path, body)) return false;
    SetPerformerList(body);
    return true;
}

void SiteSim::UseGeneratedList(int population, bool churn) {
    Population fresh(population, impl_->options.seed);
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->population = std::move(fresh);
    impl_->churn = churn;
    impl_->fixedList = false;
    impl_->fixedBody.clear();
}

void SiteSim::SetFault(const std::string& path, Fault fault) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    if (fault == Fault::None)
        impl_->faults.erase(path);
    else
        impl_->faults[path] = fault;
}

void SiteSim::ClearFaults() {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->faults.clear();
}

void SiteSim::SetResource(const std::string& path, std::string body, std::string contentType) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->resources[path] = Impl::Resource{std::move(body), std::move(contentType)};
}

void SiteSim::AddAccount(const std::string& user, const std::string& password, std::vector<std::string> favourites) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->accounts[user] = Impl::Account{password, std::move(favourites)};
}

bool SiteSim::LoadAccountsFile(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        // user:password:favourites; the password may itself hold ':'.
        size_t first = line.find(':');
        if (first == std::string::npos) continue;
        size_t last = line.rfind(':');
        std::string user = line.substr(0, first);
        std::string password = last == first ? line.substr(first + 1) : line.substr(first + 1, last - first - 1);
        std::vector<std::string> favourites;
        if (last != first) {
            std::istringstream names(line.substr(last + 1));
            std::string name;
            while (std::getline(names, name, ','))
                if (!(name = Trim(name)).empty()) favourites.push_back(name);
        }
        AddAccount(user, password, std::move(favourites));
    }
    return true;
}

void SiteSim::SetUpdateFile(const std::string& type, std::string body) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->updateFiles[type] = std::move(body);
}

void SiteSim::SetUpdateVersion(const std::string& latest) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->latestVersion = Trim(latest);
}

bool SiteSim::LoadUpdateDir(const std::string& dir) {
    static const std::pair<const char*, const char*> kFiles[] = {
        {"module", ""}, {"skin", "skin"}, {"mo", "mo"}, {"manifest", "manifest"}};
    bool any = false;
    std::string text;
    for (const auto& file : kFiles)
        if (ReadWholeFile(dir + "/" + file.first, text)) {
            SetUpdateFile(file.second, text);
            any = true;
        }
    if (ReadWholeFile(dir + "/version", text)) {
        // The first line that is not a '#' comment holds the version.
        std::istringstream lines(text);
        std::string line, version;
        while (version.empty() && std::getline(lines, line))
            if (!(line = Trim(line)).empty() && line[0] != '#') version = line;
        SetUpdateVersion(version);
        any = true;
    }
    return any;
}

std::vector<Request> SiteSim::Requests() const {
    std::lock_guard<std::mutex> lock(impl_->logMu);
    return impl_->log;
}

void SiteSim::ClearRequests() {
    std::lock_guard<std::mutex> lock(impl_->logMu);
    impl_->log.clear();
}

bool SiteSim::WaitForRequests(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(impl_->logMu);
    return impl_->logChanged.wait_for(lock, std::chrono::milliseconds(std::max(0, timeoutMs)),
                                      [&] { return impl_->log.size() >= count; });
}

}  // namespace sitesim
