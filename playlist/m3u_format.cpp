#include "playlist/m3u_format.h"

#include <string>

namespace voltrak {
namespace {

constexpr std::string_view kHeader = "#EXTM3U\r\n";
constexpr size_t kInfoPrefixLength = 8;  // "#EXTINF:"

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Calls `visit` for every non-empty line after the header: runs of CR and LF
// end a line and vanish, so blank lines never reach the caller.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  if (text.substr(0, kHeader.size()) == kHeader) text.remove_prefix(kHeader.size());
  size_t pos = 0;
  const size_t size = text.size();
  while (pos < size) {
    while (pos < size && IsLineEnd(text[pos])) ++pos;
    if (pos >= size) break;
    size_t end = pos;
    while (end < size && !IsLineEnd(text[end])) ++end;
    visit(text.substr(pos, end - pos));
    pos = end;
  }
}

}  // namespace

std::vector<M3uEntry> ParseM3u(std::string_view text) {
  // Count first so that the array is taken once, at its final size.
  size_t count = 0;
  ForEachLine(text, [&](std::string_view line) {
    if (line[0] != '#') ++count;
  });
  std::vector<M3uEntry> entries;
  entries.reserve(count);
  std::optional<std::string_view> pending;
  ForEachLine(text, [&](std::string_view line) {
    if (line[0] == '#') {
      pending = line;  // the last of several "#" lines counts
    } else {
      entries.push_back(M3uEntry{pending, line});
      pending.reset();
    }
  });
  return entries;
}

uint32_t PlayLengthOf(std::string_view extendedInfo) {
  uint32_t value = 0;
  for (size_t i = kInfoPrefixLength; i < extendedInfo.size(); ++i) {
    char c = extendedInfo[i];
    if (c < '0' || c > '9') break;
    value = value * 10u + static_cast<uint32_t>(c - '0');
  }
  return value;
}

void M3uWriter(OutputFile& file, const MP3Information* records, size_t count) {
  // One buffer, one write: a playlist of thousands of lines stays one call.
  std::string out(kHeader);
  for (size_t i = 0; i < count; ++i) {
    const MP3Information& record = records[i];
    if (record.ExtendedInfo) {
      out += *record.ExtendedInfo;
      out += "\r\n";
    }
    if (record.FilePath) out += *record.FilePath;
    out += "\r\n";
  }
  file.Write(out);
}

}  // namespace voltrak
