// What the fuzz targets share: a check that names what broke, random track
// files and load settings over the in-memory file system, failures of that
// file system chosen by the input, every file's bytes to tell what changed,
// and the play-length rule worked out apart from the program's own.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/playlist_loader.h"
#include "tests/memory_file_system.h"

namespace voltrak::fuzz {

// Names the broken property, so a finding says what it found.
inline void Check(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "broken: %s\n", what), std::abort();
}
#define CHECK(condition) ::voltrak::fuzz::Check(condition, #condition)

using Op = testing::MemoryFileSystem::Op;

// Few names, so that random entries often name a file that exists.
inline constexpr const char* kTrackPaths[] = {"C:\\Lists\\a.mp3", "C:\\Lists\\b.mp3",
                                              "C:\\Lists\\sub\\c.mp3", "D:\\d.mp3"};

// The load's own settings for the playlist at `path`.
inline LoadSettings RandomLoadSettings(FuzzedDataProvider& input, std::string path) {
  LoadSettings settings;
  settings.CurrentPlaylistPath = std::move(path);
  settings.PathMode = static_cast<PathRepair>(input.ConsumeIntegralInRange<uint32_t>(0, 2));
  settings.DuplicateMode =
      static_cast<DuplicateHandling>(input.ConsumeIntegralInRange<uint32_t>(0, 3));
  settings.WarnLoadErrors = input.ConsumeBool();
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

// The `Skip`-th next call of `Operation` fails with `Error`.
struct Failure {
  Op Operation;
  unsigned Skip;
  uint32_t Error;
};

// Up to `most` failures, each of one of `ops`: the input says which
// operation, which of its next calls and which error.
inline std::vector<Failure> ConsumeFailures(FuzzedDataProvider& input,
                                            std::initializer_list<Op> ops, unsigned most) {
  static constexpr uint32_t kErrors[] = {kErrorDiskFull, kErrorAccessDenied, kErrorReadFault,
                                         kErrorSharingViolation};
  std::vector<Failure> failures(input.ConsumeIntegralInRange<unsigned>(0, most));
  for (Failure& failure : failures) {
    failure.Operation = ops.begin()[input.ConsumeIntegralInRange<size_t>(0, ops.size() - 1)];
    failure.Skip = input.ConsumeIntegralInRange<unsigned>(0, 15);
    failure.Error = input.PickValueInArray(kErrors);
  }
  return failures;
}

inline void Inject(testing::MemoryFileSystem& files, const std::vector<Failure>& failures) {
  for (const Failure& failure : failures)
    files.FailNext(failure.Operation, failure.Error, failure.Skip);
}

// Every file's bytes by name.
using Snapshot = std::map<std::string, std::string>;
inline Snapshot Take(const testing::MemoryFileSystem& files) {
  Snapshot all;
  for (const std::string& path : files.Files()) all[path] = files.Get(path).value_or("");
  return all;
}

// The play length of a "#" line: its run of decimal digits after the first
// eight characters, modulo 2^32. Worked from the last digit back, each
// digit weighed by its power of ten modulo 2^32.
inline uint32_t PlainPlayLength(std::string_view line) {
  const std::string_view rest = line.substr(std::min<size_t>(8, line.size()));
  const std::string_view digits = rest.substr(0, rest.find_first_not_of("0123456789"));
  uint64_t value = 0, weight = 1;
  for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) {
    value = (value + static_cast<uint64_t>(*digit - '0') * weight) & 0xFFFFFFFFu;
    weight = weight * 10u & 0xFFFFFFFFu;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace voltrak::fuzz
