// The least any program must do for the track files of a playlist: open
// each file relative to the playlist's folder (by its whole path when it is
// elsewhere), size it, read its last 128 bytes, close it; on one thread or
// on several. Both load benchmarks measure against it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace voltrak::bench {

// A playlist's track files as POSIX paths, worked out before any clock
// starts.
struct TrackFiles {
  std::string Folder;  // the playlist's
  std::vector<std::string> Paths;
};

// Paths is empty when the playlist cannot be read.
TrackFiles TrackFilePaths(std::string_view windowsPlaylistPath);

// Seconds for one pass of the bare calls over `files`, the opening and
// closing of the playlist's folder included; with `cpuSeconds`, also the
// processor time the pass took, which a busy machine disturbs less. With
// `headBytes`, each file's first bytes are read too, before its tail: what
// measuring a length from the audio needs at the least. With `threads`
// above 1, the same calls spread over that many threads (the parallel
// floor), each taking the next file nobody has taken.
double TimeFloor(const TrackFiles& files, double* cpuSeconds = nullptr, size_t headBytes = 0,
                 unsigned threads = 1);

}  // namespace voltrak::bench
