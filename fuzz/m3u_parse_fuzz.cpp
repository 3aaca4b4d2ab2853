// The M3U parse on any bytes: the three readers agree, and every entry is a
// whole path line inside the text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "playlist/m3u_format.h"

using voltrak::M3uEntry;

namespace {
// Keeps what the writer writes.
class StringFile : public voltrak::OutputFile {
 public:
  std::string Bytes;
  bool Write(std::string_view bytes) override { return Bytes.append(bytes), true; }
  uint32_t Close() override { return 0; }
};

bool Inside(std::string_view part, std::string_view text) {
  return part.data() >= text.data() && part.data() + part.size() <= text.data() + text.size();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  size_t visited = 0;
  voltrak::ForEachM3uEntry(text, [&](const M3uEntry&) {
    ++visited;
    return true;
  });
  const auto entries = voltrak::ParseM3u(text);
  CHECK(visited == entries.size());
  CHECK(voltrak::CountM3uEntries(text) == entries.size());
  for (const M3uEntry& entry : entries) {
    const std::string_view path = entry.FilePath;
    CHECK(!path.empty() && path[0] != '#' && Inside(path, text));
    CHECK(path.find_first_of("\r\n") == std::string_view::npos);
    if (entry.ExtendedInfo) {
      CHECK(!entry.ExtendedInfo->empty() && (*entry.ExtendedInfo)[0] == '#');
      CHECK(Inside(*entry.ExtendedInfo, text));
      CHECK(entry.ExtendedInfo->find_first_of("\r\n") == std::string_view::npos);
    }
  }
  // Stopping early visits exactly one entry.
  size_t stopped = 0;
  voltrak::ForEachM3uEntry(text, [&](const M3uEntry&) { return ++stopped, false; });
  CHECK(stopped == (entries.empty() ? 0u : 1u));

  // What the writer makes of the entries reads back as the same entries.
  std::vector<voltrak::MP3Information> records(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    records[i].SetTexts(entries[i].ExtendedInfo, entries[i].FilePath);
  }
  StringFile file;
  CHECK(voltrak::M3uWriter(file, records));
  const auto again = voltrak::ParseM3u(file.Bytes);
  CHECK(again.size() == entries.size());
  for (size_t i = 0; i < again.size(); ++i) {
    CHECK(again[i].FilePath == entries[i].FilePath);
    CHECK(again[i].ExtendedInfo == entries[i].ExtendedInfo);
  }
  return 0;
}
