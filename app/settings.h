// The settings kept between runs: "Voltrak.INI" in the user's
// application-data folder, the registry value "AlwaysOnTop", and the window
// position. Each step is called by the main window at its place in the
// start-up and shut-down order.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "planning/volume_planner.h"
#include "playlist/playlist_loader.h"

namespace voltrak {

// The three stored modes.
struct StoredModes {
  FillBy FillMode = kFillNoSplitting;
  PathRepair PathMode = kIgnorePaths;
  DuplicateHandling DuplicateMode = kKeepAllDuplicates;
  // The track files' switches of the Options dialog: any stored value but
  // 0 is on, and on when missing.
  bool MeasureUntimed = true;
  bool ReadId3v2 = true;
};

std::string LoadPlayerDirectory();
// Each mode read with its range rule, the value in `modes` as the default.
void LoadModes(StoredModes& modes);
std::string LoadLastFile();
// Writes [Options] File; an empty path writes nothing.
void StoreLastFile(const std::string& path);
// The close request: the modes, [Directories] WinAmp (also when empty), and
// [Options] File when the path is not empty.
void SaveOnClose(const StoredModes& modes, const std::string& playerDirectory,
                 const std::string& currentPlaylistPath);

// Reads the registry value (creating it with the value read, or 0); failures
// are reported against `owner` and leave `alwaysOnTop` as it was.
void LoadAlwaysOnTop(HWND owner, int32_t& alwaysOnTop);
void StoreAlwaysOnTop(HWND owner, int32_t alwaysOnTop);

// Moves the window to the stored position when all of it fits strictly
// inside the primary screen; repaints it either way.
void RestoreWindowPosition(HWND window);
// Only in the normal show state.
void StoreWindowPosition(HWND window);

}  // namespace voltrak
