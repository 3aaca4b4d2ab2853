// The main window: the program's one dialog, the hub every command and
// private message goes through, and the load's host.
#pragma once

#include <windows.h>

namespace voltrak {

// Runs the main window modally with no owner, the whole command line taken as
// one playlist path; returns the program's exit code.
int RunMainWindow(HINSTANCE instance, const char* commandLine);

}  // namespace voltrak
