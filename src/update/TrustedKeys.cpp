// The publisher's public keys that this build trusts for updates (two during a change of key).
#include "update/TrustedKeys.h"

#include <sstream>

std::vector<std::string> TrustedUpdateKeys()
{
    // Handed in by the build as one text, the keys separated by ','.
    std::vector<std::string> keys;
    std::istringstream list(SOLVANE_UPDATE_KEYS);
    std::string key;
    while (std::getline(list, key, ','))
        if (!key.empty())
            keys.push_back(key);
    return keys;
}
