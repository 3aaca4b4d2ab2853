// The least any program must do for the track files of a playlist: open,
// size, read the last 128 bytes, close. Both load benchmarks measure
// against it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace voltrak::bench {

// The POSIX paths of a playlist's track files, worked out before any clock
// starts. Empty when the playlist cannot be read.
std::vector<std::string> TrackFilePaths(std::string_view windowsPlaylistPath);

// Seconds for one pass of the bare calls over `paths`.
double TimeFloor(const std::vector<std::string>& paths);

}  // namespace voltrak::bench
