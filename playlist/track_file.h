// What reading one entry's track file gives: its size, its tag and, for an
// entry the list gives no length, the length of its audio. Reading touches
// no record and no host, so that it may run on any thread (the read-ahead)
// and its outcome be applied to the record in the list's order.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "playlist/track_record.h"
#include "support/file_system.h"

namespace voltrak {

// What is read of a track file besides its size and ID3v1 tag.
struct TrackFileReading {
  bool MeasureUntimed = true;  // the length of an entry the list gives none
  bool ReadId3v2 = true;       // the texts of a file with only an ID3v2 tag
};

struct TrackFileFacts {
  uint32_t Error = kErrorSuccess;  // the system's, or 0
  uint64_t Size = 0;
  std::optional<Id3v1Block> Tag;          // as read, not yet normalised
  std::optional<uint32_t> MeasuredLength;  // seconds
};

// Reads the track file `fullPath` of an entry whose list gives it
// `listedLength` seconds (0: none).
TrackFileFacts ReadTrackFile(std::string_view fullPath, uint32_t listedLength, FileSystem& files,
                             const TrackFileReading& reading);

// Gives `record` what reading its file found; the error stays the caller's.
void ApplyTrackFile(const TrackFileFacts& facts, MP3Information& record);

}  // namespace voltrak
