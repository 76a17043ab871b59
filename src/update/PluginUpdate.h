// The module's own update: side files an earlier call fetched are installed, a newer module is
// fetched with the user's consent, each file only as the publisher's signed statement describes it.
#pragma once

#include <wx/filename.h>

#include <string>
#include <vector>

class PluginUpdate
{
public:
    PluginUpdate() = delete;

    /// Installs the pending side files, then asks the update service for a newer module; with the
    /// user's consent fetches it (as the module's name followed by ".new") and its side files and
    /// returns its name, valid until the module is unloaded. Null when there is nothing to
    /// install. Blocks the calling thread; calls must not overlap.
    static wxFileName* GetNewPluginFileName();
    /// The same, trusting the statements signed by one of keys (the build's own keys above).
    static wxFileName* GetNewPluginFileName(const std::vector<std::string>& keys);
};
