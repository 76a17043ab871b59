// The simulated site's pages: the performer list, pictures, the login check, the update service,
// the preview page and any resource set by hand.
#pragma once

#include "Population.h"
#include "Reply.h"
#include "SiteSim.h"
#include "UpdateSigner.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace sitesim
{

class Routes
{
public:
    Routes(int population, unsigned seed, bool churn);

    /// Serves exactly this body as the performer list from now on (no churn).
    void SetPerformerList(std::string body);
    /// Back to a freshly generated population from the seed.
    void UseGeneratedList(int population, bool churn);
    void SetResource(const std::string& path, std::string body, std::string contentType);
    void SetStatusReply(const std::string& path, int status);
    void AddAccount(const std::string& user, const std::string& password, std::vector<std::string> favourites);
    void SetUpdateFile(const std::string& type, std::string body);
    void SetUpdateVersion(const std::string& latest);
    /// Signs the release statement with this secret seed (64 hexadecimal digits); false for a bad
    /// one. Without a key no statement is offered.
    bool SetUpdateKey(const std::string& seedHex);
    void SetUpdateTrick(UpdateTrick trick);
    void SetStatementVersion(const std::string& version);
    /// Adds the accounts of a file ("user:password:fav1,fav2" per line, '#' starts a comment);
    /// false when it cannot be read.
    bool LoadAccountsFile(const std::string& path);
    /// Takes the update files and the "version" file from a folder; false when it holds neither.
    bool LoadUpdateDir(const std::string& dir);

    /// The site's reply to a request; imageServer ("127.0.0.1:PORT") goes into preview pages.
    /// A path under "/moved" gets the reply of the path after it, where redirects lead.
    Reply Route(const Request& request, const std::string& imageServer);

private:
    struct Account
    {
        std::string password;
        std::vector<std::string> favourites;
    };

    Reply PerformerList();
    Reply Login(const std::string& query);
    Reply Update(const std::string& query);
    static Reply Picture(const std::string& path);
    static Reply Preview(const std::string& name, const std::string& imageServer);

    const unsigned seed;
    std::mutex mutex;
    Population population;
    bool churn;
    bool fixedList = false;
    std::string fixedBody;
    std::map<std::string, Reply> resources;
    std::map<std::string, Account> accounts;
    std::map<std::string, std::string> updateFiles;
    std::string latestVersion;
    std::string updateKey, strangerKey, statementVersion;
    UpdateTrick updateTrick = UpdateTrick::None;
    long long statementExpires = 0;
};

} // namespace sitesim
