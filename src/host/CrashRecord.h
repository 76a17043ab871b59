// The record of a crash during a new module's trial: the only end of the program that counts
// against the module, written into the trial marker as the process dies.
#pragma once

#include <wx/string.h>

namespace CrashRecord
{
/// From now on a crash (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) appends "crashed SIGNAL" to the
/// existing file at path, then the process dies of the signal as it would have.
void Arm(const wxString& path);
/// A crash from now on is not recorded: the trial is over.
void Disarm();
/// Once the module is loaded: an end through exit() (GTK's own when the display goes) disarms
/// the record before any library's clean-up runs, so that a fault there is not held against it.
void DisarmAtExit();
} // namespace CrashRecord
