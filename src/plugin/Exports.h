// The module's C boundary: the only symbols the host can see.
#pragma once

#define SOLVANE_EXPORT extern "C" __attribute__((visibility("default")))
