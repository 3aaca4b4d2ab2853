// The stored settings' rules that need no system: names, range rules, where
// the file lives, the window position rule and the stay-on-top value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "planning/volume_planner.h"
#include "playlist/playlist_loader.h"

namespace voltrak {

inline constexpr const char* kSettingsFileName = "Voltrak.INI";
inline constexpr const char* kSettingsFolderName = "Voltrak";
inline constexpr const char* kRegistryKey = "software\\zorv\\Voltrak";
inline constexpr const char* kAlwaysOnTopValue = "AlwaysOnTop";

// Range rules applied to the numbers the profile functions read.
inline FillBy FillModeFromStored(uint32_t value) { return static_cast<FillBy>(value % 3); }
inline PathRepair PathModeFromStored(uint32_t value) {
  return static_cast<PathRepair>(value % 3);
}
inline DuplicateHandling DuplicateModeFromStored(uint32_t value) {
  return static_cast<DuplicateHandling>(value & 3);
}

// Any stored value other than 0 is on.
inline bool AlwaysOnTopFromStored(uint32_t value) { return value != 0; }

// Where the settings live. Ours is `%APPDATA%\Voltrak\Voltrak.INI`, which a
// user without administrator rights can write; the Windows folder is where
// earlier installations kept it.
struct SettingsLocations {
  std::string Ours;    // empty when the application-data folder is unknown
  std::string Legacy;  // the file in the Windows folder
};
SettingsLocations SettingsLocationsFor(std::string_view appDataFolder,
                                       std::string_view windowsFolder);

// The file to read: ours once it exists; until then the Windows folder's, if
// there is one, so that an existing user's settings carry over; else ours
// (missing, so every value takes its default).
std::string SettingsFileToRead(const SettingsLocations& at, bool oursExists, bool legacyExists);

// Whether the first write must first copy the Windows folder's file into
// ours, so that keys this run does not write (the last file, the window
// position) are not lost in the move.
bool MustCarryOverLegacy(const SettingsLocations& at, bool oursExists, bool legacyExists);

// The window position rule: the stored edges are used only when every edge
// lies strictly inside the primary screen.
bool StoredPositionFits(int32_t x, int32_t y, int32_t width, int32_t height, int32_t screenWidth,
                        int32_t screenHeight);

// A stored edge: written with "%u", so a negative coordinate goes out as its
// unsigned 32-bit value, and read back as a signed integer.
std::string StoredEdgeText(int32_t edge);

}  // namespace voltrak
