#include "outputs/split_lists.h"

#include <cstdio>

#include "playlist/m3u_format.h"

namespace voltrak {
namespace {

constexpr size_t kExtensionLength = 4;  // ".m3u"

}  // namespace

std::string SplitListBase(std::string_view playlistPath) {
  if (FileNamePart(playlistPath).size() < kExtensionLength) return std::string(playlistPath);
  return std::string(playlistPath.substr(0, playlistPath.size() - kExtensionLength));
}

std::string VolumeFileName(std::string_view base, uint32_t volume, std::string_view extension) {
  char number[16];
  std::snprintf(number, sizeof number, "-%03u", volume + 1);
  return std::string(base) + number + std::string(extension);
}

OutputResult WriteSplitLists(const Playlist& playlist, const OutputTarget& target) {
  OutputResult result;
  if (playlist.Tracks.empty() || target.PlaylistPath.empty()) return result;
  const std::string base = SplitListBase(target.PlaylistPath);
  for (const VolumeRun& run : VolumeRuns(playlist)) {
    OutputDocument file(target, SplitListName(base, run.Volume));
    if (file.Created()) M3uWriter(file, playlist.Tracks.data() + run.First, run.End - run.First);
    file.Finish(result);
  }
  return result;
}

}  // namespace voltrak
