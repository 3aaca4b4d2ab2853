// The title picture shown for half a second at start-up, on its own thread.
#pragma once

#include <windows.h>

namespace voltrak {

// Starts the splash thread and returns at once; nobody waits for it.
void StartSplash(HWND mainWindow);

}  // namespace voltrak
