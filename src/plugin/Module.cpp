// The module's C boundary: the exports are defined by the parts they start.
#include "plugin/Exports.h"
