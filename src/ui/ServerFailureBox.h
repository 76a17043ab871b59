// The message box that says the site stays unreachable, and the exit command that follows it.
#pragma once

/// Routes the refresh's failure report to a message box on the main thread, and its exit
/// request to the application's top window. Call on the main thread before polling starts.
void InstallServerFailureBox();
