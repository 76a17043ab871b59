// The module's second entry: the host asks it, off its main thread, for a newer module.
#include "plugin/Exports.h"

#include "update/PluginUpdate.h"
#include "util/Trace.h"

SOLVANE_EXPORT wxFileName* GetNewPluginFileName()
{
    SOLVANE_TRACE("[extern]GetNewPluginFileName(void)");
    return PluginUpdate::GetNewPluginFileName();
}
