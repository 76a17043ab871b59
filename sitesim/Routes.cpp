// The simulated site's pages: the performer list, pictures, the login check, the update service,
// the preview page and any resource set by hand.
#include "Routes.h"

#include "ProfilePicture.h"
#include "Text.h"
#include "UpdateSigner.h"

#include <algorithm>
#include <ctime>
#include <sstream>

namespace sitesim
{
namespace
{
const char* const kListPath = "/include/js/online_performers.js";
const char* const kLoginPath = "/loginchecker";
const char* const kUpdatePath = "/cgi-bin/app/update.cgi";
const char* const kPreviewPath = "/preview.shtml";
const std::string kMovedPrefix = "/moved";
const std::string kImagePrefix = "/WebArchive/";
const std::string kImageSuffix = "/thumbs/LinkedImage.jpg";

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}
} // namespace

Routes::Routes(int population_, unsigned seed_, bool churn_)
    : seed(seed_), population(population_, seed_), churn(churn_)
{
}

void Routes::SetPerformerList(std::string body)
{
    std::lock_guard<std::mutex> lock(mutex);
    fixedList = true;
    fixedBody = std::move(body);
}

void Routes::UseGeneratedList(int size, bool churn_)
{
    Population fresh(size, seed);
    std::lock_guard<std::mutex> lock(mutex);
    population = std::move(fresh);
    churn = churn_;
    fixedList = false;
    fixedBody.clear();
}

void Routes::SetResource(const std::string& path, std::string body, std::string contentType)
{
    Reply reply;
    reply.body = std::move(body);
    reply.contentType = std::move(contentType);
    std::lock_guard<std::mutex> lock(mutex);
    resources[path] = std::move(reply);
}

void Routes::SetStatusReply(const std::string& path, int status)
{
    Reply reply;
    reply.status = status;
    reply.contentType = "text/html";
    if (status >= 300 && status < 400)
        reply.headers.emplace_back("Location", "/elsewhere");
    if (status != 304)
        reply.body = "<html>moved</html>";
    std::lock_guard<std::mutex> lock(mutex);
    resources[path] = std::move(reply);
}

void Routes::AddAccount(const std::string& user, const std::string& password, std::vector<std::string> favourites)
{
    std::lock_guard<std::mutex> lock(mutex);
    accounts[user] = Account{password, std::move(favourites)};
}

void Routes::SetUpdateFile(const std::string& type, std::string body)
{
    std::lock_guard<std::mutex> lock(mutex);
    updateFiles[type] = std::move(body);
}

void Routes::SetUpdateVersion(const std::string& latest)
{
    std::lock_guard<std::mutex> lock(mutex);
    latestVersion = Text::Trim(latest);
}

bool Routes::SetUpdateKey(const std::string& seedHex)
{
    if (UpdatePublicKey(seedHex).empty())
        return false;
    std::string stranger, unused;
    MakeUpdateKey(stranger, unused);
    std::lock_guard<std::mutex> lock(mutex);
    updateKey = seedHex;
    strangerKey = stranger;
    // Fixed once, so that the statement and its signature, fetched one after the other, agree.
    statementExpires = static_cast<long long>(std::time(nullptr)) + 30 * 24 * 3600;
    return true;
}

void Routes::SetUpdateTrick(UpdateTrick trick)
{
    std::lock_guard<std::mutex> lock(mutex);
    updateTrick = trick;
}

void Routes::SetStatementVersion(const std::string& version)
{
    std::lock_guard<std::mutex> lock(mutex);
    statementVersion = version;
}

bool Routes::LoadAccountsFile(const std::string& path)
{
    std::string text;
    if (!Text::ReadWholeFile(path, text))
        return false;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // user:password:favourites; the password may itself hold ':'.
        const size_t first = line.find(':'), last = line.rfind(':');
        if (line.empty() || line[0] == '#' || first == std::string::npos)
            continue;
        std::vector<std::string> favourites;
        std::istringstream names(last == first ? std::string() : line.substr(last + 1));
        std::string name;
        while (std::getline(names, name, ','))
            if (!(name = Text::Trim(name)).empty())
                favourites.push_back(name);
        const size_t passwordEnd = last == first ? line.size() : last;
        AddAccount(line.substr(0, first), line.substr(first + 1, passwordEnd - first - 1), std::move(favourites));
    }
    return true;
}

bool Routes::LoadUpdateDir(const std::string& dir)
{
    static const std::pair<const char*, const char*> kFiles[] = {
        {"module", ""}, {"skin", "skin"}, {"mo", "mo"}, {"manifest", "manifest"}};
    bool any = false;
    std::string text;
    for (const auto& file : kFiles)
        if (Text::ReadWholeFile(dir + "/" + file.first, text))
        {
            SetUpdateFile(file.second, text);
            any = true;
        }
    if (Text::ReadWholeFile(dir + "/version", text))
    {
        // The first line that is not a '#' comment holds the version.
        std::istringstream lines(text);
        std::string line, version;
        while (version.empty() && std::getline(lines, line))
            if (!(line = Text::Trim(line)).empty() && line[0] != '#')
                version = line;
        SetUpdateVersion(version);
        any = true;
    }
    return any;
}

Reply Routes::Route(const Request& request, const std::string& imageServer)
{
    std::string path = request.path;
    if (StartsWith(path, kMovedPrefix + "/"))
        path.erase(0, kMovedPrefix.size());
    if (request.server == "web")
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            auto it = resources.find(path);
            if (it != resources.end())
                return it->second;
        }
        if (path == kListPath)
            return PerformerList();
        if (path == kLoginPath)
            return Login(request.query);
        if (path == kUpdatePath)
            return Update(request.query);
    }
    else if (request.server == "image")
    {
        if (StartsWith(path, kImagePrefix))
            return Picture(path);
    }
    else if (request.server == "preview")
    {
        if (path == kPreviewPath && !request.query.empty())
            return Preview(request.query, imageServer);
    }
    return Reply::Text(404, "not found\n");
}

Reply Routes::PerformerList()
{
    Reply reply;
    reply.contentType = "application/x-javascript";
    std::lock_guard<std::mutex> lock(mutex);
    if (fixedList)
    {
        reply.body = fixedBody;
    }
    else
    {
        reply.body = population.Render();
        if (churn)
            population.Churn();
    }
    return reply;
}

// The client percent-encodes both fields, so a password may hold '&', '=' or '%'. A failed check
// is an error status: the client then sees no body.
Reply Routes::Login(const std::string& query)
{
    const Text::Fields fields = Text::SplitQuery(query);
    const std::string* user = Text::FindField(fields, "username");
    const std::string* password = Text::FindField(fields, "password");
    std::lock_guard<std::mutex> lock(mutex);
    auto account = user && password ? accounts.find(*user) : accounts.end();
    if (account == accounts.end() || account->second.password != *password)
        return Reply::Text(403, "login failed\n");
    Reply reply;
    for (const std::string& name : account->second.favourites)
        reply.body += name + "\n";
    return reply;
}

Reply Routes::Update(const std::string& query)
{
    const Text::Fields fields = Text::SplitQuery(query);
    const std::string* version = Text::FindField(fields, "version");
    const std::string* type = Text::FindField(fields, "type");
    const std::string kind = type ? *type : std::string();
    std::lock_guard<std::mutex> lock(mutex);
    if (latestVersion.empty() || Text::CompareVersions(latestVersion, version ? *version : std::string()) <= 0)
        return Reply::Text(200, "no update\n");
    Reply reply;
    reply.contentType = "application/octet-stream";
    if (kind == "statement" || kind == "signature")
    {
        if (updateKey.empty() || updateTrick == UpdateTrick::NoStatement ||
            (kind == "signature" && updateTrick == UpdateTrick::Unsigned))
            return Reply::Text(200, "no update\n");
        std::map<std::string, std::string> signedFiles;
        for (const auto& [name, body] : updateFiles)
            signedFiles[name.empty() ? "module" : name] = body;
        std::string statement = UpdateSigner::Statement(
            updateTrick == UpdateTrick::Older ? "1.0.0"
            : statementVersion.empty()        ? latestVersion
                                              : statementVersion,
            updateTrick == UpdateTrick::Expired ? static_cast<long long>(std::time(nullptr)) - 24 * 3600
                                                : statementExpires,
            signedFiles);
        if (updateTrick == UpdateTrick::LargerInStatement)
        {
            const size_t size = signedFiles["module"].size();
            const std::string line = "file module " + std::to_string(size) + " ";
            const size_t at = statement.find(line);
            if (at != std::string::npos)
                statement.replace(at, line.size(), "file module " + std::to_string(size + 1) + " ");
        }
        const std::string signature =
            SignDetached(statement, updateTrick == UpdateTrick::WrongKey ? strangerKey : updateKey);
        reply.body = kind == "statement" ? statement : signature;
        if ((kind == "statement" && updateTrick == UpdateTrick::TamperedStatement) ||
            (kind == "signature" && updateTrick == UpdateTrick::BadSignature))
            reply.body[reply.body.size() / 2] ^= 0x01;
        return reply;
    }
    auto file = updateFiles.find(kind);
    if (file == updateFiles.end())
        return Reply::Text(200, "no update\n");
    reply.body = file->second;
    const bool module = kind.empty();
    if (!reply.body.empty() && ((module && updateTrick == UpdateTrick::Mismatch) ||
                                (kind == "skin" && updateTrick == UpdateTrick::BadSkin)))
        reply.body[reply.body.size() / 2] ^= 0x01;
    if (module && updateTrick == UpdateTrick::Truncated)
        reply.body.resize(reply.body.size() / 2);
    if (module && updateTrick == UpdateTrick::Oversized)
        reply.body += std::string(4096, '\0');
    return reply;
}

Reply Routes::Picture(const std::string& path)
{
    const size_t nameLength = path.size() - std::min(path.size(), kImagePrefix.size() + kImageSuffix.size());
    const std::string name = path.substr(kImagePrefix.size(), nameLength);
    if (nameLength == 0 || name.find('/') != std::string::npos ||
        path.compare(kImagePrefix.size() + nameLength, std::string::npos, kImageSuffix) != 0)
        return Reply::Text(404, "not found\n");
    Reply reply;
    reply.contentType = "image/jpeg";
    reply.body = ProfilePicture(name).ToJpeg();
    return reply;
}

Reply Routes::Preview(const std::string& name, const std::string& imageServer)
{
    const std::string shown = Text::HtmlEscape(name);
    Reply reply;
    reply.contentType = "text/html";
    reply.body = "<!DOCTYPE html>\n<html>\n<head><meta charset=\"utf-8\"><title>" + shown +
                 " - live preview</title></head>\n<body>\n<h1>" + shown + "</h1>\n<p><img src=\"http://" + imageServer +
                 kImagePrefix + shown + kImageSuffix + "\" width=\"107\" height=\"82\" alt=\"" + shown +
                 "\"></p>\n<p>" + shown + " is live. Join the free chat to watch.</p>\n</body>\n</html>\n";
    return reply;
}

} // namespace sitesim
