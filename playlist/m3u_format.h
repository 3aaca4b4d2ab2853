// The extended M3U text form: reading, play lengths, and the one writer.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "playlist/track_record.h"
#include "support/file_system.h"

namespace voltrak {

// One entry as it stands in the playlist text: views into that text.
struct M3uEntry {
  std::optional<std::string_view> ExtendedInfo;
  std::string_view FilePath;
};

// Splits a playlist text into its entries. Any byte string parses; the views
// point into `text` and live as long as it does.
std::vector<M3uEntry> ParseM3u(std::string_view text);

// The play length in seconds of an extended-information line: the decimal
// digits right after its first eight characters, modulo 2^32.
uint32_t PlayLengthOf(std::string_view extendedInfo);

// Writes the header and every record's lines to an open file. Single write
// failures are the caller's to notice when it closes the file.
void M3uWriter(OutputFile& file, const MP3Information* records, size_t count);
inline void M3uWriter(OutputFile& file, const std::vector<MP3Information>& records) {
  M3uWriter(file, records.data(), records.size());
}

}  // namespace voltrak
