// The one trace macro of Solvane: method entries on the "solvane" trace mask (WXTRACE=solvane).
#pragma once

#include <wx/log.h>

// clang-format off
#ifdef NDEBUG
#define SOLVANE_TRACE(...) do { } while (0)
#else
#define SOLVANE_TRACE(...) wxLogTrace("solvane", __VA_ARGS__)
#endif
// clang-format on
