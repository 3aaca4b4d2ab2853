// One extended M3U playlist per planned volume, beside the source playlist,
// so that each file can go onto one medium as it is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "outputs/output_file.h"
#include "playlist/track_record.h"

namespace voltrak {

// The split lists' common stem: the playlist path less its last four
// characters (".m3u"). A file name shorter than that is kept whole rather
// than cut into its folder's name.
std::string SplitListBase(std::string_view playlistPath);

// A file of 0-based volume `volume` beside the split lists: base-001 and
// up, the number at least three digits wide, then `extension`.
std::string VolumeFileName(std::string_view base, uint32_t volume, std::string_view extension);

// The list of 0-based volume `volume`: base-001.M3U and up.
inline std::string SplitListName(std::string_view base, uint32_t volume) {
  return VolumeFileName(base, volume, ".M3U");
}

// Writes one file per volume that holds tracks, in list order, with exactly
// the lines M3uWriter writes for its records. A file that cannot be created
// or written is reported and skipped; the others are still written whole.
// Nothing happens without tracks or without a playlist path.
OutputResult WriteSplitLists(const Playlist& playlist, const OutputTarget& target);

}  // namespace voltrak
