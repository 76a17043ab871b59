// What the core needs from the GUI: one small interface, installed by the module's entry.
#include "util/GuiServices.h"

#include "util/Trace.h"

#include <atomic>

namespace
{
// Read by the polling thread while the main thread may install or clear it.
std::atomic<GuiServices*> installed{nullptr};
} // namespace

GuiServices* GuiServices::Get()
{
    return installed.load();
}

void GuiServices::Install(GuiServices* services)
{
    SOLVANE_TRACE("[static]GuiServices::Install(%p)", static_cast<void*>(services));
    installed.store(services);
}
