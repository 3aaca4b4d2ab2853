#include "app/settings_rules.h"

namespace voltrak {

namespace {
std::string Join(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += name;
  return path;
}
}  // namespace

SettingsLocations SettingsLocationsFor(std::string_view appDataFolder,
                                       std::string_view windowsFolder) {
  SettingsLocations at;
  if (!appDataFolder.empty()) {
    at.Ours = Join(Join(appDataFolder, kSettingsFolderName), kSettingsFileName);
  }
  at.Legacy = Join(windowsFolder, kSettingsFileName);
  return at;
}

std::string SettingsFileToRead(const SettingsLocations& at, bool oursExists, bool legacyExists) {
  if (at.Ours.empty()) return at.Legacy;
  if (!oursExists && legacyExists) return at.Legacy;
  return at.Ours;
}

bool MustCarryOverLegacy(const SettingsLocations& at, bool oursExists, bool legacyExists) {
  return !at.Ours.empty() && !oursExists && legacyExists;
}

bool StoredPositionFits(int32_t x, int32_t y, int32_t width, int32_t height, int32_t screenWidth,
                        int32_t screenHeight) {
  // Sums in 64 bits: an edge read from a hand-edited file may be anything.
  int64_t right = static_cast<int64_t>(x) + width;
  int64_t bottom = static_cast<int64_t>(y) + height;
  return 0 < x && x < screenWidth && 0 < y && y < screenHeight && 0 < right &&
         right < screenWidth && 0 < bottom && bottom < screenHeight;
}

std::string StoredEdgeText(int32_t edge) {
  return std::to_string(static_cast<uint32_t>(edge));
}

}  // namespace voltrak
