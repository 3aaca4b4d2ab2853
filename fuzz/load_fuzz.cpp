// The whole load over the in-memory file system: random playlist text,
// random track files (sizes and tails), random settings. The load must not
// crash, and what it reports must match the list it leaves.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "playlist/m3u_format.h"
#include "playlist/playlist_loader.h"
#include "tests/memory_file_system.h"
#include "tests/test_support.h"

namespace {
// Names the broken property, so a finding says what it found.
void Check(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "broken: %s\n", what), std::abort();
}
#define CHECK(condition) Check(condition, #condition)

// Few names, so that random entries often name a file that exists.
constexpr const char* kTrackPaths[] = {"C:\\Lists\\a.mp3", "C:\\Lists\\b.mp3",
                                       "C:\\Lists\\sub\\c.mp3", "D:\\d.mp3"};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  voltrak::LoadSettings settings;
  settings.CurrentPlaylistPath = "C:\\Lists\\mix.m3u";
  settings.PathMode = input.ConsumeIntegralInRange<uint32_t>(0, 2);
  settings.DuplicateMode = input.ConsumeIntegralInRange<uint32_t>(0, 3);
  settings.WarnLoadErrors = input.ConsumeBool();
  settings.ListFromPlayer = input.ConsumeBool();

  voltrak::testing::MemoryFileSystem files;
  for (const char* path : kTrackPaths) {
    if (!input.ConsumeBool()) continue;
    // A file of some size whose tail is random: a tag or a part of one.
    std::string bytes(input.ConsumeIntegralInRange<size_t>(0, 300), '\0');
    std::string tail = input.ConsumeRandomLengthString(160);
    bytes.replace(bytes.size() - std::min(bytes.size(), tail.size()), std::string::npos, tail);
    files.Put(path, bytes);
  }
  const std::string text = input.ConsumeRemainingBytesAsString();
  files.Put(settings.CurrentPlaylistPath, text);

  voltrak::testing::ScriptedLoadHost host;
  voltrak::Playlist playlist;
  const voltrak::LoadOutcome outcome = voltrak::LoadPlaylist(settings, playlist, files, host);
  CHECK(outcome.Opened && !outcome.MemoryFailure);
  CHECK(outcome.Entries == playlist.TrackCount());
  const size_t listed = voltrak::CountM3uEntries(text);
  // Failed opens stay counted when duplicates are removed afterwards.
  CHECK(outcome.LoadErrors == playlist.LoadErrors && playlist.LoadErrors <= listed);
  if (settings.DuplicateMode == voltrak::kKeepAllDuplicates) CHECK(outcome.Entries == listed);
  CHECK(outcome.Entries <= listed);
  uint32_t seconds = 0, kilobytes = 0;
  for (const voltrak::MP3Information& track : playlist.Tracks) {
    seconds += track.PlayLength;
    kilobytes += track.FileSize;
  }
  CHECK(seconds == playlist.TotalSeconds && kilobytes == playlist.TotalKB);
  return 0;
}
