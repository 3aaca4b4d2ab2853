// The whole load over the in-memory file system: random playlist text,
// random track files (sizes and tails), random settings. The load must not
// crash, and what it reports must match the list it leaves.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "playlist/m3u_format.h"
#include "tests/test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const voltrak::LoadSettings settings =
      voltrak::fuzz::RandomLoadSettings(input, "C:\\Lists\\mix.m3u");
  voltrak::testing::MemoryFileSystem files;
  voltrak::fuzz::PutRandomTracks(input, files);
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
