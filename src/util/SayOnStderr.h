// The program's one way of telling whoever reads its output what went wrong.
#pragma once

#include <wx/string.h>

/// Writes "Solvane: ", the message and a line break to stderr, as one line: what a person
/// running the program from a terminal, or a test, reads where no box is shown.
void SayOnStderr(const wxString& message);
