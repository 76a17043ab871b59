// What the benchmarks share: generated user lists, the site's list body, settings in memory.
#pragma once

#include "model/User.h"
#include "model/UserList.h"
#include "net/HttpGet.h"

#include "SiteSim.h"

#include <wx/config.h>
#include <wx/memconf.h>

#include <string>

namespace bench
{
/// "performer0" ... with statuses that cycle through free, public and private.
inline UserList MakeUsers(int count, int first = 0)
{
    static const uint32_t kStatuses[] = {STATUS_ONLINE | STATUS_FREE, STATUS_ONLINE | STATUS_BUSY | STATUS_PUBLIC,
                                         STATUS_ONLINE | STATUS_BUSY | STATUS_PRIVATE};
    UserList users;
    for (int i = first; i < first + count; ++i)
        users.AddUser(User(wxString::Format("performer%d", i), kStatuses[i % 3]));
    return users;
}

/// The list after a poll in which a tenth of the users changed: a third of those left, as many
/// arrived, and a third changed their show.
inline UserList AfterAPoll(const UserList& before, int count)
{
    const int third = count / 30;
    UserList after = before;
    for (int i = 0; i < third; ++i)
        after.RemoveUser(wxString::Format("performer%d", i));
    for (const auto& entry : MakeUsers(third, count))
        after.AddUser(entry.second);
    for (int i = third; i < 2 * third; ++i)
    {
        const User& user = before.GetUser(wxString::Format("performer%d", i));
        after.AddUser(User(user.GetName(), user.GetStatus() ^ (STATUS_FREE | STATUS_BUSY | STATUS_PUBLIC)));
    }
    return after;
}

/// The performer list the simulated site serves for that many performers.
inline std::string SiteList(int performers)
{
    sitesim::Options options;
    options.population = performers;
    options.churn = false;
    sitesim::SiteSim site(options);
    if (!site.Start())
        return std::string();
    HttpGet get(wxString::FromUTF8("http://" + site.WebServer() + "/include/js/online_performers.js"));
    return get.Fetch() ? get.TakeBody() : std::string();
}

/// Settings live in memory only: a benchmark never touches the user's settings file.
inline void KeepSettingsInMemory()
{
    delete wxConfigBase::Set(new wxMemoryConfig);
}
} // namespace bench
