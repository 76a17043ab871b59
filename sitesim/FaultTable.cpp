// The faults and reply delays set on the simulated site, by exact path or by path prefix.
#include "FaultTable.h"

namespace sitesim
{

void FaultTable::SetFault(const std::string& pattern, Fault fault)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (fault == Fault::None)
        faults.erase(pattern);
    else
        faults[pattern] = fault;
}

void FaultTable::SetReplyDelays(const std::string& pattern, std::vector<int> millis)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (millis.empty())
        delays.erase(pattern);
    else
        delays[pattern] = Delays{std::move(millis), 0};
}

void FaultTable::Clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    faults.clear();
    delays.clear();
}

Fault FaultTable::GetFault(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(mutex);
    const Fault* fault = Find(faults, path);
    return fault ? *fault : Fault::None;
}

int FaultTable::TakeDelay(const std::string& path)
{
    std::lock_guard<std::mutex> lock(mutex);
    Delays* found = Find(delays, path);
    if (!found || found->next >= found->millis.size())
        return 0;
    return found->millis[found->next++];
}

template <typename Map> auto FaultTable::Find(Map& map, const std::string& path) -> decltype(&map.begin()->second)
{
    auto exact = map.find(path);
    if (exact != map.end())
        return &exact->second;
    decltype(&map.begin()->second) best = nullptr;
    size_t bestLength = 0;
    for (auto& entry : map)
    {
        const std::string& pattern = entry.first;
        const size_t length = pattern.size() - 1;
        if (!pattern.empty() && pattern.back() == '*' && (!best || length > bestLength) &&
            path.compare(0, length, pattern, 0, length) == 0)
        {
            best = &entry.second;
            bestLength = length;
        }
    }
    return best;
}

} // namespace sitesim
