// The extended M3U text form: reading, play lengths, and the one writer.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "playlist/track_record.h"
#include "support/byte_search.h"
#include "support/file_system.h"

namespace voltrak {

// One entry as it stands in the playlist text: views into that text.
struct M3uEntry {
  std::optional<std::string_view> ExtendedInfo;
  std::string_view FilePath;
};

namespace m3u_detail {
constexpr std::string_view kHeader = "#EXTM3U\r\n";
constexpr std::string_view kInfoPrefix = "#EXTINF:";
// Editors on Windows often start a UTF-8 text with its byte-order mark.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Calls `visit` for every non-empty line after the byte-order mark and the
// header: runs of CR and LF end a line and vanish, so blank lines never reach
// the caller. Each byte is looked at about once, whatever the line ends.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  if (text.substr(0, kHeader.size()) == kHeader) text.remove_prefix(kHeader.size());
  const char* const begin = text.data();
  const size_t size = text.size();
  size_t pos = 0;
  while (pos < size) {
    while (pos < size && (begin[pos] == '\r' || begin[pos] == '\n')) ++pos;
    if (pos >= size) break;
    // The caller's work on a line (a load opens a file) leaves the text out
    // of the cache: ask ahead for the lines to come.
    __builtin_prefetch(begin + pos + 512);
    const size_t end = FindEitherByte(begin, pos, size, '\r', '\n');
    visit(text.substr(pos, end - pos));
    pos = end;
  }
}
}  // namespace m3u_detail

// Whether `rest`, read as the start of a text, could be (or begin) what the
// parse takes off a text's start: the byte-order mark or the header. Also
// true when it is too short to tell.
inline bool CouldStartAsTextStarts(std::string_view rest) {
  for (std::string_view start : {m3u_detail::kUtf8Bom, m3u_detail::kHeader}) {
    if (rest.substr(0, start.size()) == start.substr(0, rest.size())) return true;
  }
  return false;
}

// The number of entries of a playlist text: its path lines.
size_t CountM3uEntries(std::string_view text);

// Calls `visit` with each entry in order, until it returns false. Any byte
// string parses; the views point into `text`. Nothing is allocated, so a
// load holds the text and its records and no third copy.
template <typename Visit>
void ForEachM3uEntry(std::string_view text, Visit visit) {
  using m3u_detail::kInfoPrefix;
  std::optional<std::string_view> pending;
  bool going = true;
  m3u_detail::ForEachLine(text, [&](std::string_view line) {
    if (!going) return;
    if (line[0] == '#') {
      // The last "#" line counts, except that other players' own lines
      // (#EXTVLCOPT, #EXTALB, comments) between an #EXTINF: line and its
      // path leave the play length and title where they were.
      bool pendingInfo = pending && pending->substr(0, kInfoPrefix.size()) == kInfoPrefix;
      if (!pendingInfo || line.substr(0, kInfoPrefix.size()) == kInfoPrefix) pending = line;
    } else {
      going = visit(M3uEntry{pending, line});
      pending.reset();
    }
  });
}

// All entries at once, for callers that want them as a list.
std::vector<M3uEntry> ParseM3u(std::string_view text);

// The play length in seconds of an extended-information line: the decimal
// digits right after its first eight characters, modulo 2^32.
uint32_t PlayLengthOf(std::string_view extendedInfo);

// Writes the header and every record's lines to an open file. False when
// the write fell short; the close may still report a failure of its own.
bool M3uWriter(OutputFile& file, const MP3Information* records, size_t count);
inline bool M3uWriter(OutputFile& file, const std::vector<MP3Information>& records) {
  return M3uWriter(file, records.data(), records.size());
}

}  // namespace voltrak
