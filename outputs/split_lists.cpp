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

std::string SplitListName(std::string_view base, uint32_t volume) {
  char number[16];
  std::snprintf(number, sizeof number, "-%03u", volume + 1);
  return std::string(base) + number + ".M3U";
}

OutputResult WriteSplitLists(const Playlist& playlist, const OutputTarget& target) {
  OutputResult result;
  if (playlist.Tracks.empty() || target.PlaylistPath.empty()) return result;
  const std::string base = SplitListBase(target.PlaylistPath);
  // Planning never lowers Volume along the list: each volume is one run.
  const std::vector<MP3Information>& tracks = playlist.Tracks;
  for (size_t first = 0; first < tracks.size();) {
    size_t end = first + 1;
    while (end < tracks.size() && tracks[end].Volume == tracks[first].Volume) ++end;
    OutputDocument file(target, SplitListName(base, tracks[first].Volume));
    if (file.Created()) M3uWriter(file, tracks.data() + first, end - first);
    file.Finish(result);
    first = end;
  }
  return result;
}

}  // namespace voltrak
