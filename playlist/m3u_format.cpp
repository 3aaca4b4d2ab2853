#include "playlist/m3u_format.h"

#include <string>

namespace voltrak {
using m3u_detail::kHeader;

namespace {
constexpr size_t kInfoPrefixLength = m3u_detail::kInfoPrefix.size();
}  // namespace

size_t CountM3uEntries(std::string_view text) {
  size_t count = 0;
  m3u_detail::ForEachLine(text, [&](std::string_view line) {
    if (line[0] != '#') ++count;
  });
  return count;
}

std::vector<M3uEntry> ParseM3u(std::string_view text) {
  std::vector<M3uEntry> entries;
  entries.reserve(CountM3uEntries(text));
  ForEachM3uEntry(text, [&](const M3uEntry& entry) {
    entries.push_back(entry);
    return true;
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

bool M3uWriter(OutputFile& file, const MP3Information* records, size_t count) {
  // One buffer, one write: a playlist of thousands of lines stays one call.
  std::string out(kHeader);
  for (size_t i = 0; i < count; ++i) {
    const MP3Information& record = records[i];
    if (record.ExtendedInfo()) {
      out += *record.ExtendedInfo();
      out += "\r\n";
    }
    if (record.FilePath()) out += *record.FilePath();
    out += "\r\n";
  }
  return file.Write(out);
}

}  // namespace voltrak
