// The program's one way of telling whoever reads its output what went wrong.
#include "util/SayOnStderr.h"

#include <cstdio>

void SayOnStderr(const wxString& message)
{
    // One call for the whole line, so that two threads saying something at once do not mix.
    std::fprintf(stderr, "Solvane: %s\n", static_cast<const char*>(message.utf8_str()));
}
