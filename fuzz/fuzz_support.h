// What the fuzz targets share: a check that names what broke, and random
// track files and load settings over the in-memory file system.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "playlist/playlist_loader.h"
#include "tests/memory_file_system.h"

namespace voltrak::fuzz {

// Names the broken property, so a finding says what it found.
inline void Check(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "broken: %s\n", what), std::abort();
}
#define CHECK(condition) ::voltrak::fuzz::Check(condition, #condition)

// Few names, so that random entries often name a file that exists.
inline constexpr const char* kTrackPaths[] = {"C:\\Lists\\a.mp3", "C:\\Lists\\b.mp3",
                                              "C:\\Lists\\sub\\c.mp3", "D:\\d.mp3"};

// The load's own settings for the playlist at `path`.
inline LoadSettings RandomLoadSettings(FuzzedDataProvider& input, std::string path) {
  LoadSettings settings;
  settings.CurrentPlaylistPath = std::move(path);
  settings.PathMode = input.ConsumeIntegralInRange<uint32_t>(0, 2);
  settings.DuplicateMode = input.ConsumeIntegralInRange<uint32_t>(0, 3);
  settings.WarnLoadErrors = input.ConsumeBool();
  settings.ListFromPlayer = input.ConsumeBool();
  return settings;
}

// Some of kTrackPaths as files of up to `maxSize` bytes whose tail is
// random: a tag or a part of one.
inline void PutRandomTracks(FuzzedDataProvider& input, testing::MemoryFileSystem& files,
                            size_t maxSize = 300) {
  for (const char* path : kTrackPaths) {
    if (!input.ConsumeBool()) continue;
    std::string bytes(input.ConsumeIntegralInRange<size_t>(0, maxSize), '\0');
    std::string tail = input.ConsumeRandomLengthString(160);
    bytes.replace(bytes.size() - std::min(bytes.size(), tail.size()), std::string::npos, tail);
    files.Put(path, bytes);
  }
}

}  // namespace voltrak::fuzz
