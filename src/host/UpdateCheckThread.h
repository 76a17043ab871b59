// The update check: the module's GetNewPluginFileName, called once off the main thread.
#pragma once

#include <wx/thread.h>

#include <functional>

class wxFileName;

class UpdateCheckThread : public wxThread
{
public:
    using GetNewPluginFileNameFunction = wxFileName* (*)();

    /// accepted runs on the main thread once the user has agreed to a new module and it has
    /// arrived. Joinable: Delete() from the main thread ends a transfer or a question under way
    /// (the question then answers No) and waits for the module's code to return.
    UpdateCheckThread(GetNewPluginFileNameFunction getNewPluginFileName, std::function<void()> accepted);

protected:
    ExitCode Entry() override;

private:
    GetNewPluginFileNameFunction getNewPluginFileName;
    std::function<void()> accepted;
};
