#include "player/player_rules.h"

namespace voltrak {

std::string InPlayerFolder(std::string_view playerDirectory, std::string_view name) {
  std::string path(playerDirectory);
  if (path.empty() || path.back() != '\\') path += '\\';
  path += name;
  return path;
}

std::string PluginIniPath(std::string_view playerDirectory) {
  return std::string(playerDirectory) + kPluginIniName;
}

size_t WatchedFolderLength(std::string_view path) {
  size_t cut = path.rfind('\\');
  return cut == std::string_view::npos ? path.size() : cut + 1;
}

bool ChangeAsksForReload(uint32_t lastSize, uint64_t newTime, uint64_t rememberedTime,
                         bool pathEmpty) {
  return !pathEmpty && lastSize != 0 && newTime != rememberedTime;
}

}  // namespace voltrak
