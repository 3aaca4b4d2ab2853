// The playlist file watcher: one background thread that sleeps on the
// change notification of the playlist's folder and asks the main window to
// reload when the playlist's last-write time moves. The main thread starts
// and stops it (MSG_START_WATCHER, MSG_STOP_WATCHER). Stopping sets the
// watcher's own wake-up event, which it waits on beside the notification:
// the stop never waits for the thread, and no request follows it.
#pragma once

#include <windows.h>

#include <string_view>

namespace voltrak {

// The playlist path the watcher reads at each change. The main thread hands
// every new value of the current playlist path over here; the watcher reads
// a whole fixed copy, old or new, and never allocates for it.
void ShareWatchedPath(std::string_view path);

// Takes the playlist's last-write time and size just before a load reads
// it. The watcher the load starts compares with them, so a save that lands
// between the load's read and the watcher's start is reloaded, not lost.
void NotePlaylistBeforeLoad(std::string_view path);

// Starts watching `path` for `window`, unless a watcher is recorded already.
void StartFileWatcher(HWND window, std::string_view path);

// Whether a watcher is recorded and its thread has not ended.
bool FileWatcherRunning();

// Ends the recorded watcher, if any, and forgets it. Safe from within the
// load the watcher itself is waiting for.
void StopFileWatcher();

}  // namespace voltrak
