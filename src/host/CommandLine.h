// The options the program answers before it opens any window: its version and its usage.
#pragma once

#include <cstdio>

/// Answers --version, --help and options nobody knows, printing to out (or err for a mistake).
/// Returns the status to end with (0 after --version or --help, 2 after an unknown option), or
/// -1 when the program is to start. The toolkit's own options (--display, --sync, --name,
/// --class, --g…) and the host's --probe pass; "--" ends the options.
int AnswerCommandLine(int argc, char** argv, const char* version, std::FILE* out, std::FILE* err);
