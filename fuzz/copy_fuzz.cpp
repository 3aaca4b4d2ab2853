// The copy of every track into one folder over the in-memory file system,
// where the folder may be the one that holds the sources and a copy's name
// may already be another name of a source, of the playlist (a hard link, a
// ".\" spelling, the same name) or of an older file, while opens, reads,
// creates, writes, closes, replaces and the times fail where the input
// says. Every file the run reads keeps its bytes under each of its names; a
// copy not reported failed holds exactly its source's bytes; a failure is
// reported once and leaves the older file at the copy's name as it was; no
// file appears but the copies.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "outputs/track_copy.h"
#include "tests/test_support.h"

using voltrak::fuzz::Op;
using voltrak::testing::MemoryFileSystem;

namespace {

constexpr const char* kFolder = "C:\\Lists\\";
constexpr size_t kSources = 4, kMostEntries = 6;

// Counts each track's reported failures.
class TrackHost : public voltrak::CopyHost {
 public:
  std::vector<unsigned> Failures;
  void NextTrack(uint32_t index) override { current_ = index; }
  void Failed(voltrak::CopyFailure, std::string_view, uint32_t) override {
    if (Failures.size() <= current_) Failures.resize(current_ + 1);
    ++Failures[current_];
  }

 private:
  uint32_t current_ = 0;
};

std::string Folded(std::string_view path) {
  std::string folded(path);
  for (char& c : folded) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return folded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  voltrak::OptionFlags options;
  options.CopyNameByInfo = input.ConsumeBool();
  options.CopyStripNumbers = input.ConsumeBool();
  const unsigned where = input.ConsumeIntegralInRange<unsigned>(0, 3);
  const auto failures =
      voltrak::fuzz::ConsumeFailures(input,
                                     {Op::kOpen, Op::kRead, Op::kCreate, Op::kWrite, Op::kClose,
                                      Op::kReplace, Op::kGetTimes, Op::kSetTimes, Op::kIdentify},
                                     2);
  const std::string path = kFolder + input.ConsumeRandomLengthString(32);
  MemoryFileSystem files;
  std::string names[kSources];
  for (size_t k = 0; k < kSources; ++k) {
    names[k] = input.ConsumeRandomLengthString(24);
    // Each source's bytes its own, so that a copy of another shows.
    const size_t bytes = input.ConsumeIntegralInRange<size_t>(0, 3000);
    if (input.ConsumeBool()) {
      files.Put(kFolder + names[k], std::string(bytes, static_cast<char>('A' + k)) + names[k]);
    }
  }
  std::string text = "#EXTM3U\r\n";
  for (size_t i = input.ConsumeIntegralInRange<size_t>(0, kMostEntries); i > 0; --i) {
    const std::string& name = names[input.ConsumeIntegralInRange<size_t>(0, kSources - 1)];
    // The name as it is, after ".\", or in the whole path.
    const unsigned spelling = input.ConsumeIntegralInRange<unsigned>(0, 2);
    if (input.ConsumeBool()) {
      text += "#EXTINF:" + std::to_string(i) + "," + input.ConsumeRandomLengthString(16) + "\r\n";
    }
    if (spelling == 1) files.Link(kFolder + name, std::string(kFolder) + ".\\" + name);
    text += (spelling == 0 ? "" : spelling == 1 ? ".\\" : kFolder) + name + "\r\n";
  }
  files.Put(path, text);

  voltrak::testing::ScriptedLoadHost loadHost;
  voltrak::Playlist playlist;
  voltrak::LoadSettings settings;
  settings.CurrentPlaylistPath = path;
  voltrak::LoadPlaylist(settings, playlist, files, loadHost);
  const std::string folder = where == 0   ? kFolder
                             : where == 1 ? std::string(kFolder) + "sub\\"
                             : where == 2 ? voltrak::CopyFolder(std::nullopt, path) + "\\"
                                          : "D:\\burn\\";
  // What each copy's name is before the run: nothing, another name of a
  // source or of the playlist, or an older file of its own.
  std::vector<std::string> copies;
  for (uint32_t i = 0; i < playlist.TrackCount(); ++i) {
    copies.push_back(
        voltrak::CopyDestination(folder, voltrak::CopyName(playlist.Tracks[i], i, options)));
    const unsigned kind = input.ConsumeIntegralInRange<unsigned>(0, 2);
    const size_t of = input.ConsumeIntegralInRange<size_t>(0, kSources);
    if (kind == 1) files.Link(of == kSources ? path : kFolder + names[of], copies.back());
    if (kind == 2) files.Put(copies.back(), "older");
  }

  // The files the run reads, and every name that reaches one of them.
  std::vector<std::optional<std::string>> sources;
  std::set<uint64_t> read;
  voltrak::FileIdentity identity;
  if (files.Identify(path, &identity) == 0) read.insert(identity.Index);
  for (const voltrak::MP3Information& record : playlist.Tracks) {
    const std::string source = voltrak::ResolveOpenPath(voltrak::PathText(record), path);
    sources.push_back(files.Get(source));
    if (files.Identify(source, &identity) == 0) read.insert(identity.Index);
  }
  const voltrak::fuzz::Snapshot before = voltrak::fuzz::Take(files);
  std::vector<std::string> guarded;
  for (const auto& file : before) {
    if (files.Identify(file.first, &identity) == 0 && read.count(identity.Index) != 0) {
      guarded.push_back(file.first);
    }
  }
  std::vector<std::optional<std::string>> older;
  for (const std::string& copy : copies) older.push_back(files.Get(copy));

  voltrak::fuzz::Inject(files, failures);
  TrackHost host;
  const voltrak::CopyResult result =
      voltrak::CopyTracks(playlist, options, path, folder, files, host);
  host.Failures.resize(copies.size());
  unsigned failed = 0;
  for (const std::string& name : guarded) CHECK(files.Get(name) == before.at(name));
  for (size_t i = 0; i < copies.size(); ++i) {
    CHECK(host.Failures[i] <= 1);
    failed += host.Failures[i];
    const std::optional<std::string> now = files.Get(copies[i]);
    if (host.Failures[i] != 0 || !sources[i] || sources[i]->empty()) {
      CHECK(now == older[i]);
    } else {
      CHECK(now == sources[i]);
    }
  }
  CHECK(result.Failures == failed && result.Copied + result.Skipped + failed == copies.size());
  std::set<std::string> expected, now;
  for (const auto& file : before) expected.insert(Folded(file.first));
  for (const std::string& copy : copies) expected.insert(Folded(copy));
  for (const std::string& name : files.Files()) now.insert(Folded(name));
  CHECK(std::includes(expected.begin(), expected.end(), now.begin(), now.end()));
  return 0;
}
