// Every output of a random planned list, written into the in-memory file
// system beside a playlist whose name the input may choose (control
// characters, quotes, the outputs' own names), with links to the playlist
// and older files at the outputs' names, while creates, writes, closes and
// replaces fail where the input says. Each output file is written whole or
// reported once and left as it was; one that reaches the playlist is
// refused; no other file appears, and every name of the playlist reads as
// it did. What is written is checked line by line: the split lists read
// back as the plan's volumes, the report's markup is only its own, the cue
// sheet is a FILE line and a TRACK and INDEX pair per track, the label a
// line per track; the clipboard texts end as they should, copy names are
// names Windows takes, and the printout draws every line on its page.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "outputs/clipboard_text.h"
#include "outputs/cue_label.h"
#include "outputs/html_report.h"
#include "outputs/printout.h"
#include "outputs/split_lists.h"
#include "outputs/track_copy.h"
#include "playlist/m3u_format.h"
#include "tests/test_support.h"

using voltrak::MP3Information;
using voltrak::Playlist;
using voltrak::fuzz::Op;

namespace {

// Names and extensions the outputs' naming rules treat each in their own
// way; a last choice takes the name from the input.
constexpr const char* kPlaylistPaths[] = {"C:\\Lists\\mix.m3u", "C:\\Lists\\My Mix.m3u8",
                                          "C:\\Lists\\mix", "C:\\Lists\\m.3u", nullptr};

class CountingHost : public voltrak::OutputHost, public voltrak::CopyHost {
 public:
  unsigned Failures = 0;
  std::map<std::string, unsigned> Reports;  // by output name
  void CannotWrite(std::string_view path, uint32_t) override { Report(path); }
  void NoTrackName() override {}
  void WouldReplacePlaylist(std::string_view path) override { Report(path); }
  void NextTrack(uint32_t) override {}
  void Failed(voltrak::CopyFailure, std::string_view, uint32_t) override { ++Failures; }

 private:
  void Report(std::string_view path) {
    ++Failures;
    ++Reports[std::string(path)];
  }
};

// Paths compare as the file system compares them: a-z and A-Z as one.
std::string Folded(std::string_view path) {
  std::string folded(path);
  for (char& c : folded) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return folded;
}

// The file name, after the last separator of either kind, less its
// extension.
std::string PlainBaseName(std::string_view path) {
  const std::string name(path.substr(path.find_last_of("\\/") + 1));
  return name.substr(0, name.rfind('.'));
}

// The outputs' names, worked out here: the playlist's with `extension` in
// place of its own; for a split list, the playlist path less four
// characters (all of it when its file name is shorter) and the number.
std::string NameBeside(std::string_view path, std::string_view extension) {
  const size_t nameSize = path.size() - (path.find_last_of("\\/") + 1);
  return std::string(path.substr(0, path.size() - nameSize)) + PlainBaseName(path) +
         std::string(extension);
}
std::string SplitName(std::string_view path, uint32_t volume, const char* extension = ".M3U") {
  const size_t nameSize = path.size() - (path.find_last_of("\\/") + 1);
  char number[16];
  std::snprintf(number, sizeof number, "-%03u%s", volume + 1, extension);
  return std::string(path.substr(0, nameSize < 4 ? path.size() : path.size() - 4)) + number;
}

// Whether `shown` is `text` as one line: each control character a blank.
bool AsOneLine(std::string_view shown, std::string_view text) {
  if (shown.size() != text.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (shown[i] != (static_cast<unsigned char>(text[i]) < 0x20 ? ' ' : text[i])) return false;
  }
  return true;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t end = text.find("\r\n"); end != std::string_view::npos; end = text.find("\r\n")) {
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + 2);
  }
  CHECK(text.empty());  // every line ends in CR LF
  return lines;
}

// Lines of a file that holds no control characters: each is one line.
std::vector<std::string_view> OneLineEach(std::string_view text) {
  const auto lines = Lines(text);
  for (std::string_view line : lines) {
    for (char c : line) CHECK(static_cast<unsigned char>(c) >= 0x20);
  }
  return lines;
}

size_t Count(std::string_view text, std::string_view part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// The [first, end) runs of tracks that share a volume.
std::vector<std::pair<size_t, size_t>> PlannedRuns(const Playlist& playlist) {
  std::vector<std::pair<size_t, size_t>> runs;
  for (size_t i = 0; i < playlist.Tracks.size(); ++i) {
    if (i == 0 || playlist.Tracks[i].Volume != playlist.Tracks[i - 1].Volume) {
      CHECK(i == 0 || playlist.Tracks[i].Volume > playlist.Tracks[i - 1].Volume);
      runs.emplace_back(i, i);
    }
    runs.back().second = i + 1;
  }
  return runs;
}

// What the outputs meet: the file system, the host, the playlist's names
// and bytes, and every file before the first output.
struct Run {
  voltrak::testing::MemoryFileSystem& Files;
  CountingHost& Host;
  std::vector<std::string> PlaylistNames;
  std::string PlaylistBytes;
  voltrak::fuzz::Snapshot Before;
  std::vector<std::string> Written;
  unsigned Failures = 0;
};

// Writes one output of files `names` and settles each: written whole, its
// text returned; or reported once and left as it was (older bytes, or
// none). A name that reaches the playlist is never written, and the
// playlist reads as it did.
template <typename Write>
std::vector<std::optional<std::string>> Settle(Run& run, const std::vector<std::string>& names,
                                               Write write) {
  std::vector<std::optional<std::string>> before, texts;
  for (const std::string& name : names) before.push_back(run.Files.Get(name));
  const voltrak::OutputResult result = write();
  CHECK(result.Written.size() + result.Failures == names.size());
  run.Failures += result.Failures;
  size_t written = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    const bool whole = written < result.Written.size() && result.Written[written] == names[i];
    written += whole;
    const auto reaches = [&](const std::string& name) { return Folded(name) == Folded(names[i]); };
    CHECK(!whole || std::none_of(run.PlaylistNames.begin(), run.PlaylistNames.end(), reaches));
    CHECK(run.Host.Reports[names[i]] == (whole ? 0u : 1u));
    std::optional<std::string> now = run.Files.Get(names[i]);
    if (whole) {
      CHECK(now.has_value());
      run.Written.push_back(names[i]);
      texts.push_back(std::move(now));
    } else {
      CHECK(now == before[i]);
      texts.emplace_back();
    }
  }
  CHECK(written == result.Written.size());
  for (const std::string& name : run.PlaylistNames) CHECK(run.Files.Get(name) == run.PlaylistBytes);
  return texts;
}

void CheckSplitLists(const Playlist& playlist,
                     const std::vector<std::optional<std::string>>& texts) {
  const auto runs = PlannedRuns(playlist);
  for (size_t r = 0; r < runs.size() && r < texts.size(); ++r) {
    if (!texts[r]) continue;
    const auto entries = voltrak::ParseM3u(*texts[r]);
    CHECK(entries.size() == runs[r].second - runs[r].first);
    for (size_t i = 0; i < entries.size(); ++i) {
      const MP3Information& record = playlist.Tracks[runs[r].first + i];
      CHECK(entries[i].FilePath == voltrak::PathText(record));
      CHECK(entries[i].ExtendedInfo == record.ExtendedInfo());
    }
  }
}

// Every "<" starts one of the page's own tags, whose quotes pair up; the
// tags the page pairs are closed in order; texts from the list add no
// markup: no bare ">" and every "&" starts an entity that HtmlText writes.
void CheckReport(std::string_view page, const Playlist& playlist) {
  // The first six are the ones the page always closes.
  static constexpr std::string_view kTags[] = {"TITLE", "B", "I", "H2", "H3", "TD", "HTML",
                                               "BODY", "P", "BR", "A", "HR", "TABLE", "TR"};
  constexpr size_t kPaired = 6;
  std::vector<size_t> open;
  for (size_t i = 0; i < page.size(); ++i) {
    CHECK(page[i] != '>' && page[i] != '\0');
    if (page[i] != '<') continue;
    const size_t end = page.find('>', i);
    CHECK(end != std::string_view::npos);
    std::string_view tag = page.substr(i + 1, end - i - 1);
    CHECK(tag.find('<') == std::string_view::npos && Count(tag, "\"") % 2 == 0);
    const bool closing = !tag.empty() && tag[0] == '/';
    if (closing) tag.remove_prefix(1);
    std::string name(tag.substr(0, tag.find(' ')));
    for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    const size_t known = static_cast<size_t>(std::find(std::begin(kTags), std::end(kTags), name) -
                                             std::begin(kTags));
    CHECK(known < std::size(kTags));
    if (known < kPaired && closing) {
      CHECK(!open.empty() && open.back() == known);
      if (!open.empty()) open.pop_back();
    } else if (known < kPaired) {
      open.push_back(known);
    }
    i = end;
  }
  CHECK(open.empty());
  for (size_t at = page.find('&'); at != std::string_view::npos; at = page.find('&', at + 1)) {
    std::string_view rest = page.substr(at);
    CHECK(rest.rfind("&amp;", 0) == 0 || rest.rfind("&lt;", 0) == 0 ||
          rest.rfind("&gt;", 0) == 0 || rest.rfind("&quot;", 0) == 0);
  }
  CHECK(Count(page, "<A NAME=\"TRACK") == playlist.TrackCount());
  CHECK(Count(page, "<h3>Volume ") == PlannedRuns(playlist).size());
}

// The lines a cue sheet may hold: a FILE line naming the image, the sheet's
// base name and ".WAV" with its quotes apostrophes and its control
// characters blanks, quoted when it holds a blank; then one TRACK and INDEX
// pair per entry, each starting where the play lengths before it end,
// modulo 2^32 seconds as every time.
void CheckCueSheet(std::string_view sheet, const Playlist& playlist, std::string_view path) {
  const auto lines = OneLineEach(sheet);
  CHECK(lines.size() == 1 + 2 * playlist.Tracks.size());
  const std::string_view file = lines.empty() ? "" : lines[0];
  CHECK(file.size() >= 10 && file.substr(0, 5) == "FILE " &&
        file.substr(file.size() - 5) == " WAVE");
  std::string_view image = file.size() >= 10 ? file.substr(5, file.size() - 10) : "";
  const bool quoted = image.size() >= 2 && image.front() == '"' && image.back() == '"';
  if (quoted) image = image.substr(1, image.size() - 2);
  CHECK(quoted == (image.find(' ') != std::string_view::npos) && Count(image, "\"") == 0);
  std::string name = PlainBaseName(path) + ".WAV";
  std::replace(name.begin(), name.end(), '"', '\'');
  CHECK(AsOneLine(image, name));
  uint32_t start = 0;
  for (size_t i = 0; i < playlist.Tracks.size() && 2 + 2 * i < lines.size(); ++i) {
    char expected[64];
    std::snprintf(expected, sizeof expected, " TRACK %02u AUDIO", static_cast<unsigned>(i + 1));
    CHECK(lines[1 + 2 * i] == expected);
    std::snprintf(expected, sizeof expected, "  INDEX 01 %02u:%02u:00", start / 60, start % 60);
    CHECK(lines[2 + 2 * i] == expected);
    start += playlist.Tracks[i].PlayLength;
  }
}

// "#" and the playlist's base name, then a line per track: its number, its
// name and its play length; control characters are blanks, so that each
// is one line.
void CheckLabel(std::string_view label, const Playlist& playlist, std::string_view path) {
  const auto lines = OneLineEach(label);
  CHECK(lines.size() == 1 + playlist.Tracks.size());
  CHECK(!lines.empty() && lines[0].substr(0, 1) == "#" &&
        AsOneLine(lines[0].substr(1), PlainBaseName(path)));
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const MP3Information& track = playlist.Tracks[i];
    const std::string_view name = voltrak::ShownName(track);
    char number[16], length[32];
    std::snprintf(number, sizeof number, "%3u ", static_cast<unsigned>(i + 1));
    std::snprintf(length, sizeof length, " (%u:%02u)", track.PlayLength / 60,
                  track.PlayLength % 60);
    const std::string_view line = lines[i + 1];
    CHECK(line.size() == std::strlen(number) + name.size() + std::strlen(length));
    CHECK(line.substr(0, std::strlen(number)) == number &&
          line.substr(line.size() - std::strlen(length)) == length);
    CHECK(AsOneLine(line.substr(std::strlen(number), name.size()), name));
  }
}

class Block : public voltrak::TextBlockHost {
 public:
  std::string Bytes;
  char* Allocate(size_t size) override { return Bytes.resize(size), Bytes.data(); }
};

// One NUL, at the end, so that the clipboard takes the whole text.
std::string ClipboardText(voltrak::ListTextShape shape, const Playlist& playlist,
                          std::string_view path) {
  Block block;
  CHECK(voltrak::WriteListText(shape, playlist, path, block) == voltrak::ListTextResult::kWritten);
  CHECK(!block.Bytes.empty() && block.Bytes.find('\0') == block.Bytes.size() - 1);
  block.Bytes.pop_back();
  return block.Bytes;
}

void CheckClipboard(const Playlist& playlist, std::string_view path, uint32_t position) {
  const size_t count = playlist.Tracks.size();
  const std::string numbered = ClipboardText(voltrak::ListTextShape::kNumbered, playlist, path);
  // The text heads with the playlist's name as one line, whatever it holds.
  CHECK(Lines(numbered).size() == count + 6);
  CHECK(numbered.size() >= 6 && numbered.compare(numbered.size() - 6, 6, "\r\n\r\n\r\n") == 0);
  const std::string grouped =
      ClipboardText(voltrak::ListTextShape::kGroupedByFolder, playlist, path);
  const size_t lines = Lines(grouped).size();
  CHECK(lines >= count && lines <= 2 * count);
  const auto single = voltrak::SingleTrackText(playlist, position, position % 2 == 0);
  CHECK(single.has_value() == (position < count));
  if (single) {
    CHECK(single->find('\0') == std::string::npos);
    CHECK(single->rfind(std::string("\r\n") + voltrak::kLyricsSite) != std::string::npos);
  }
}

// What a Windows file name cannot hold, with the control characters.
constexpr const char* kRefused = ":*<>\"?/\\|";

// Every copy lies in the folder under a name Windows can hold, or was
// reported; none is written past the path limit.
void CheckCopies(const Playlist& playlist, const voltrak::OptionFlags& options,
                 std::string_view path, std::string_view folder,
                 voltrak::testing::MemoryFileSystem& files) {
  for (uint32_t i = 0; i < playlist.TrackCount(); ++i) {
    const std::string name = voltrak::CopyName(playlist.Tracks[i], i, options);
    char number[16];
    std::snprintf(number, sizeof number, "%03u-", i + 1);
    CHECK(name.rfind(number, 0) == 0);
    for (char c : name) CHECK(static_cast<unsigned char>(c) >= 0x20 && !std::strchr(kRefused, c));
  }
  const std::vector<std::string> before = files.Files();
  CountingHost host;
  const voltrak::CopyResult result =
      voltrak::CopyTracks(playlist, options, path, folder, files, host);
  CHECK(result.Copied + result.Skipped + result.Failures == playlist.TrackCount());
  CHECK(host.Failures == result.Failures);
  size_t made = 0;
  for (const std::string& file : files.Files()) {
    if (std::find(before.begin(), before.end(), file) != before.end()) continue;
    ++made;
    CHECK(file.size() <= voltrak::kMaxPathLength);
    CHECK(file.compare(0, folder.size(), folder) == 0);
    CHECK(file.find('\\', folder.size()) == std::string::npos);
  }
  CHECK(made <= result.Copied);
}

class PageSurface : public voltrak::PrintSurface {
 public:
  explicit PageSurface(uint32_t linesPerPage, int lineHeight)
      : bottom_(voltrak::kPrintMargin + static_cast<int64_t>(linesPerPage - 1) * lineHeight) {}
  void StartPage() override {
    CHECK(!Open);
    Open = true;
    ++Pages;
  }
  void DrawLine(int, int y, std::string_view) override {
    CHECK(Open && y >= voltrak::kPrintMargin && y <= bottom_);
    ++Lines;
  }
  void EndPage() override {
    CHECK(Open);
    Open = false;
  }
  size_t Pages = 0, Lines = 0;
  bool Open = false;

 private:
  int64_t bottom_;
};

void CheckPrintout(const Playlist& playlist, int pageHeight, int lineHeight) {
  const uint32_t perPage = voltrak::LinesPerPage(pageHeight, lineHeight);
  CHECK(perPage >= 1);
  PageSurface surface(perPage, std::max(lineHeight, 0));
  voltrak::PrintList(playlist, pageHeight, lineHeight, surface);
  CHECK(!surface.Open && surface.Lines == playlist.Tracks.size());
  CHECK(surface.Pages == std::max<size_t>(1, (surface.Lines + perPage - 1) / perPage));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const char* const chosen = input.PickValueInArray(kPlaylistPaths);
  const std::string path = chosen ? chosen : "C:\\Lists\\" + input.ConsumeRandomLengthString(40);
  const voltrak::LoadSettings settings = voltrak::fuzz::RandomLoadSettings(input, path);
  voltrak::ReportSettings report;
  voltrak::PlanningSettings& planning = report.Planning;
  planning.FillMode = static_cast<voltrak::FillBy>(input.ConsumeIntegralInRange<uint32_t>(0, 2));
  planning.MediumSeconds = input.ConsumeIntegral<uint16_t>();
  planning.MediumKB = input.ConsumeIntegral<uint16_t>();
  planning.ReserveSeconds = input.ConsumeIntegral<uint16_t>();
  planning.ReserveKB = input.ConsumeIntegral<uint16_t>();
  planning.ReservedSplit = input.ConsumeBool();
  planning.MaximumVolumes = input.ConsumeIntegralInRange<uint32_t>(0, 4);
  voltrak::OptionFlags& options = report.Options;
  for (int voltrak::OptionFlags::*flag :
       {&voltrak::OptionFlags::ReportByTitle, &voltrak::OptionFlags::ReportTrackListing,
        &voltrak::OptionFlags::ReportByArtist, &voltrak::OptionFlags::ReportByAlbum,
        &voltrak::OptionFlags::ReportByPath, &voltrak::OptionFlags::CopyNameByInfo,
        &voltrak::OptionFlags::CopyStripNumbers}) {
    options.*flag = input.ConsumeBool();
  }
  report.MakerWebAddress = "https://voltrak.example.org/?a=1&b=<2>";
  const std::string folder =
      input.ConsumeBool() ? voltrak::CopyFolder(std::nullopt, path) + "\\" : "D:\\burn\\";
  const uint32_t position = input.ConsumeIntegralInRange<uint32_t>(0, 8);
  const int pageHeight = input.ConsumeIntegral<int16_t>();
  const int lineHeight = input.ConsumeIntegral<int8_t>();
  const auto failures = voltrak::fuzz::ConsumeFailures(
      input, {Op::kCreate, Op::kWrite, Op::kClose, Op::kRename, Op::kReplace, Op::kIdentify}, 2);
  // Which of the outputs' names are links to the playlist, and which hold an older file.
  const uint8_t linked = input.ConsumeIntegral<uint8_t>();
  const uint8_t older = input.ConsumeIntegral<uint8_t>();

  voltrak::testing::MemoryFileSystem files;
  // Files of a few kilobytes, so that planning by size has sizes to plan.
  voltrak::fuzz::PutRandomTracks(input, files, 5000);
  const std::string text = input.ConsumeRemainingBytesAsString();
  files.Put(path, text);
  CountingHost host;
  Run run{files, host, {path}, text, {}, {}, 0};
  const std::string cuePath = NameBeside(path, ".cue"), labelPath = NameBeside(path, ".lbl"),
                    pagePath = NameBeside(path, ".html");
  const std::string named[] = {cuePath, labelPath, pagePath, SplitName(path, 0)};
  for (size_t i = 0; i < std::size(named); ++i) {
    if (Folded(named[i]) == Folded(path)) continue;
    if (older >> i & 1) files.Put(named[i], "older\r\n");
    if (linked >> i & 1) files.Link(path, named[i]), run.PlaylistNames.push_back(named[i]);
  }
  voltrak::testing::ScriptedLoadHost loadHost;
  Playlist playlist;
  voltrak::LoadPlaylist(settings, playlist, files, loadHost);
  if (playlist.Tracks.empty()) return 0;
  voltrak::PlanVolumes(planning, playlist, path);

  run.Before = voltrak::fuzz::Take(files);
  voltrak::fuzz::Inject(files, failures);
  const voltrak::OutputTarget target{path, files, host};
  std::vector<std::string> lists;
  for (const auto& volume : PlannedRuns(playlist)) {
    lists.push_back(SplitName(path, playlist.Tracks[volume.first].Volume));
  }
  CheckSplitLists(playlist,
                  Settle(run, lists, [&] { return voltrak::WriteSplitLists(playlist, target); }));
  voltrak::testing::FixedClock clock({2024, 2, 4, 29, 23, 59, 58, 0});
  const auto page = Settle(
      run, {pagePath}, [&] { return voltrak::WriteHtmlReport(playlist, report, clock, target); });
  if (page[0]) CheckReport(*page[0], playlist);
  const auto sheet =
      Settle(run, {cuePath}, [&] { return voltrak::WriteCueSheet(playlist, target); });
  if (sheet[0]) CheckCueSheet(*sheet[0], playlist, cuePath);
  const auto label =
      Settle(run, {labelPath}, [&] { return voltrak::WriteLabelFile(playlist, target); });
  if (label[0]) CheckLabel(*label[0], playlist, path);
  // Disc by disc: a sheet and a label per volume, each of one line per line
  // of its own: the sheet's five (or four, without one artist) and two per
  // track, the label's one and one per track.
  for (const char* extension : {".cue", ".lbl"}) {
    std::vector<std::string> names;
    const auto runs = PlannedRuns(playlist);
    for (const auto& volume : runs) {
      names.push_back(SplitName(path, playlist.Tracks[volume.first].Volume, extension));
    }
    const bool cue = extension[1] == 'c';
    const auto texts = Settle(run, names, [&] {
      return cue ? voltrak::WriteVolumeCueSheets(playlist, target)
                 : voltrak::WriteVolumeLabels(playlist, target);
    });
    for (size_t r = 0; r < runs.size(); ++r) {
      if (!texts[r]) continue;
      const size_t tracks = runs[r].second - runs[r].first, lines = OneLineEach(*texts[r]).size();
      CHECK(cue ? lines == 4 + 2 * tracks || lines == 5 + 2 * tracks : lines == 1 + tracks);
    }
  }
  // Nothing was reported but the failures counted, and no file appeared
  // but the outputs written: no scratch file stays behind.
  CHECK(host.Failures == run.Failures);
  std::set<std::string> expected, now;
  for (const auto& file : run.Before) expected.insert(Folded(file.first));
  for (const std::string& name : run.Written) expected.insert(Folded(name));
  for (const std::string& name : files.Files()) now.insert(Folded(name));
  CHECK(now == expected);
  CheckClipboard(playlist, path, position);
  CheckCopies(playlist, options, path, folder, files);
  CheckPrintout(playlist, pageHeight, lineHeight);
  return 0;
}
