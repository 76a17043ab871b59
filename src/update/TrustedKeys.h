// The publisher's public keys that this build trusts for updates (two during a change of key).
#pragma once

#include <string>
#include <vector>

/// The keys given to the build; empty for a build that was given none, which refuses every update.
std::vector<std::string> TrustedUpdateKeys();
