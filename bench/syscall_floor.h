// The least any program must do for the track files of a playlist: open
// each file from its folder's descriptor, size it, read its last 128 bytes,
// close it; each folder opened once. Both load benchmarks measure against it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace voltrak::bench {

// The POSIX paths of a playlist's track files, worked out before any clock
// starts. Empty when the playlist cannot be read.
std::vector<std::string> TrackFilePaths(std::string_view windowsPlaylistPath);

// Seconds for one pass of the bare calls over `paths`, the opening and
// closing of their folders included; with `cpuSeconds`, also the processor
// time the pass took, which a busy machine disturbs less.
double TimeFloor(const std::vector<std::string>& paths, double* cpuSeconds = nullptr);

}  // namespace voltrak::bench
