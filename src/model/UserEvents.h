// The four user event types and their two event classes, for code that handles all of them.
#pragma once

#include "model/UserEvent.h"
#include "model/UserListEvent.h"
