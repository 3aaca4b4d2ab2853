// The whole load over the in-memory file system: random playlist text,
// random track files, random settings, and one failure of an open or a read
// where the input says. A load writes nothing. A playlist that cannot be
// read whole is reported as not opened and leaves the list before it, with
// its totals. A list read whole holds the entries a plain reading of the
// text finds, each with the play length its line gives and the size of the
// file it names, and counts the files that did not open. Read in small
// pieces, the text comes back whole and each piece holds its own entries.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "playlist/m3u_format.h"
#include "tests/test_support.h"

using voltrak::fuzz::Op;
using voltrak::testing::MemoryFileSystem;

namespace {

constexpr const char* kPlaylist = "C:\\Lists\\mix.m3u";
constexpr const char* kPrevious = "C:\\Lists\\old.m3u";

struct Entry {
  std::optional<std::string> Info;
  std::string Path;
  bool operator==(const Entry& other) const { return Info == other.Info && Path == other.Path; }
};

// The entries of a playlist text, a byte at a time: a line not starting
// with "#" is a path, and the "#" line before it its information, but an
// #EXTINF: line stands against "#" lines after it that are not #EXTINF:.
std::vector<Entry> PlainEntries(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.substr(0, 9) == "#EXTM3U\r\n") text.remove_prefix(9);
  auto extInf = [](const std::string& line) { return line.compare(0, 8, "#EXTINF:") == 0; };
  std::vector<Entry> entries;
  std::optional<std::string> info;
  std::string line;
  auto endLine = [&] {
    if (line.empty()) return;
    if (line[0] != '#') {
      entries.push_back({info, line});
      info.reset();
    } else if (!info || !extInf(*info) || extInf(line)) {
      info = line;
    }
    line.clear();
  };
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      endLine();
    } else {
      line += c;
    }
  }
  endLine();
  return entries;
}

std::optional<std::string> Owned(std::optional<std::string_view> text) {
  return text ? std::optional<std::string>(*text) : std::nullopt;
}

// Everything a list holds, to tell whether it changed.
using ListState =
    std::tuple<std::vector<std::tuple<std::optional<std::string>, std::optional<std::string>,
                                      uint32_t, uint32_t, int32_t>>,
               uint32_t, uint32_t, uint32_t>;
ListState StateOf(const voltrak::Playlist& playlist) {
  ListState state{{}, playlist.TotalSeconds, playlist.TotalKB, playlist.LoadErrors};
  for (const voltrak::MP3Information& record : playlist.Tracks) {
    std::get<0>(state).emplace_back(Owned(record.ExtendedInfo()), Owned(record.FilePath()),
                                    record.PlayLength, record.FileSize, record.Loaded);
  }
  return state;
}

// The text read in pieces of about `pieceSize` bytes: an error exactly when
// a failure fell on the open or a read, and then no text; else the whole
// text, each piece holding the entries it would hold within it.
void CheckPieces(const voltrak::fuzz::Snapshot& stored,
                 const std::vector<voltrak::fuzz::Failure>& failures, size_t pieceSize,
                 const std::string& text) {
  MemoryFileSystem files;
  for (const auto& [path, bytes] : stored) files.Put(path, bytes);
  voltrak::fuzz::Inject(files, failures);
  std::vector<std::string> pieces;
  const uint32_t error = voltrak::ReadPlaylistText(files, kPlaylist, &pieces, pieceSize);
  bool failed = false;
  for (const voltrak::fuzz::Failure& failure : failures) {
    failed = failed || (failure.Operation == Op::kOpen ? failure.Skip == 0
                                                       : files.Calls(Op::kRead) > failure.Skip);
  }
  CHECK((error != 0) == failed);
  if (failed) {
    CHECK(pieces.empty());
    return;
  }
  std::string whole;
  std::vector<Entry> entries;
  for (const std::string& piece : pieces) {
    CHECK(!piece.empty());
    whole += piece;
    for (Entry& entry : PlainEntries(piece)) entries.push_back(std::move(entry));
  }
  CHECK(whole == text);
  CHECK(entries == PlainEntries(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  voltrak::LoadSettings settings = voltrak::fuzz::RandomLoadSettings(input, kPlaylist);
  // Each track file is read by its tail alone, so that every read the
  // file system counts is the playlist's and the failures fall on it. The
  // head's readers have targets of their own, and the tag target loads
  // with them on.
  settings.MeasureUntimed = settings.ReadId3v2 = false;
  const auto failures = voltrak::fuzz::ConsumeFailures(input, {Op::kOpen, Op::kRead}, 1);
  const size_t pieceSize = input.ConsumeIntegralInRange<size_t>(1, 64);
  MemoryFileSystem files;
  voltrak::fuzz::PutRandomTracks(input, files, 5000);
  const std::string text = input.ConsumeRemainingBytesAsString();
  files.Put(kPlaylist, text);
  files.Put(kPrevious, "#EXTINF:61,Old\r\na.mp3\r\nD:\\gone.mp3\r\n");
  const voltrak::fuzz::Snapshot stored = voltrak::fuzz::Take(files);
  CheckPieces(stored, failures, pieceSize, text);

  voltrak::testing::ScriptedLoadHost host;
  voltrak::Playlist playlist;
  voltrak::LoadSettings previousSettings = settings;
  previousSettings.CurrentPlaylistPath = kPrevious;
  voltrak::LoadPlaylist(previousSettings, playlist, files, host);
  const ListState previous = StateOf(playlist);
  const unsigned reads = files.Calls(Op::kRead);
  voltrak::fuzz::Inject(files, failures);
  const voltrak::LoadOutcome outcome = voltrak::LoadPlaylist(settings, playlist, files, host);
  CHECK(voltrak::fuzz::Take(files) == stored);

  const voltrak::fuzz::Failure* failure = failures.empty() ? nullptr : &failures[0];
  const bool openFails = failure && failure->Operation == Op::kOpen;
  if (failure &&
      (openFails ? failure->Skip == 0 : files.Calls(Op::kRead) - reads > failure->Skip)) {
    CHECK(!outcome.Opened && outcome.OpenError != 0);
    CHECK(StateOf(playlist) == previous);
    CHECK(outcome.Entries == std::get<0>(previous).size() &&
          outcome.LoadErrors == std::get<3>(previous));
    return 0;
  }
  CHECK(outcome.Opened && !outcome.MemoryFailure);
  CHECK(outcome.Entries == playlist.TrackCount());

  // Each entry's file opens when it is there, but for the one whose open
  // fails: the opens after the playlist's go to the entries in order,
  // leaving out a path too long to open.
  const std::vector<Entry> entries = PlainEntries(text);
  std::vector<std::optional<std::string>> opened;
  uint32_t notOpened = 0;
  unsigned tries = 0;
  for (const Entry& entry : entries) {
    const std::string path = voltrak::ResolveOpenPath(entry.Path, kPlaylist);
    const bool tried = path.size() <= voltrak::kMaxPathLength;
    const bool hit = tried && openFails && ++tries == failure->Skip;
    opened.push_back(tried && !hit ? files.Get(path) : std::nullopt);
    notOpened += !opened.back();
  }
  // Failed opens stay counted when duplicates are removed afterwards.
  CHECK(outcome.LoadErrors == notOpened && playlist.LoadErrors == notOpened);
  CHECK(playlist.TrackCount() <= entries.size());
  if (settings.DuplicateMode == voltrak::kKeepAllDuplicates) {
    CHECK(playlist.TrackCount() == entries.size());
    for (size_t i = 0; i < entries.size() && i < playlist.Tracks.size(); ++i) {
      const voltrak::MP3Information& record = playlist.Tracks[i];
      CHECK(Owned(record.ExtendedInfo()) == entries[i].Info);
      if (settings.PathMode == voltrak::kIgnorePaths) CHECK(record.FilePath() == entries[i].Path);
      CHECK(record.PlayLength ==
            (entries[i].Info ? voltrak::fuzz::PlainPlayLength(*entries[i].Info) : 0));
      CHECK((record.Loaded == 1) == opened[i].has_value());
      CHECK(record.FileSize == (opened[i] ? static_cast<uint32_t>(opened[i]->size()) / 1024 : 0));
    }
  }
  uint32_t seconds = 0, kilobytes = 0;
  for (const voltrak::MP3Information& track : playlist.Tracks) {
    seconds += track.PlayLength;
    kilobytes += track.FileSize;
  }
  CHECK(seconds == playlist.TotalSeconds && kilobytes == playlist.TotalKB);
  return 0;
}
