// The generated online population of the simulated site and its churn between requests.
#pragma once

#include "Rng.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace sitesim
{

// Everything is drawn from the seed, so a run can be replayed exactly; names come from their
// own stream so that they do not depend on how many draws the shows took.
class Population
{
public:
    Population(int size, unsigned seed);

    /// The names online, in list order.
    std::vector<std::string> GetNames() const;
    /// The list as the site's script file: one statement a line, performers in list order.
    std::string Render() const;
    /// A few performers leave, as many arrive (some of them earlier leavers), a few change show.
    void Churn();

private:
    enum Show
    {
        kFree,
        kPublic,
        kPrivate
    };

    struct Performer
    {
        std::string name;
        Show show = kFree;
        int viewers = 0;
        bool hd = false;
    };

    std::string NewName();
    int DrawViewers(Show show);
    Performer Arrival(std::string name);
    void Leave(size_t count);
    void Arrive(size_t count, size_t earlierLeavers);

    size_t target;
    Rng rng;
    Rng nameRng;
    std::unordered_set<std::string> used;
    std::vector<Performer> online;
    std::vector<std::string> away;
};

} // namespace sitesim
