// The faults and reply delays set on the simulated site, by exact path or by path prefix.
#pragma once

#include "SiteSim.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace sitesim
{

// A pattern is an exact path, or a prefix followed by '*' ("/WebArchive/*"). A path takes the
// entry of its exact pattern, else that of the longest prefix it starts with.
class FaultTable
{
public:
    /// Fault::None removes the pattern's fault.
    void SetFault(const std::string& pattern, Fault fault);
    /// The n-th request that takes this pattern's delays from now on waits millis[n]; an empty
    /// list removes them.
    void SetReplyDelays(const std::string& pattern, std::vector<int> millis);
    void Clear();

    Fault GetFault(const std::string& path) const;
    /// The wait before the reply to a request of path, in milliseconds; counts the request.
    int TakeDelay(const std::string& path);

private:
    struct Delays
    {
        std::vector<int> millis;
        size_t next = 0;
    };

    template <typename Map> static auto Find(Map& map, const std::string& path) -> decltype(&map.begin()->second);

    mutable std::mutex mutex;
    std::map<std::string, Fault> faults;
    std::map<std::string, Delays> delays;
};

} // namespace sitesim
