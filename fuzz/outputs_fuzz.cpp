// Every output of a random planned list, written into the in-memory file
// system: the split lists read back as the plan's volumes, the report's
// markup is only its own, the cue sheet's times are the play lengths summed,
// the label has a line per track, the clipboard texts end as they should,
// copy names are names Windows takes, and the printout draws every line on
// its page.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
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

namespace {

// Names and extensions the outputs' naming rules treat each in their own way.
constexpr const char* kPlaylistPaths[] = {"C:\\Lists\\mix.m3u", "C:\\Lists\\My Mix.m3u8",
                                          "C:\\Lists\\mix", "C:\\Lists\\m.3u"};

class CountingHost : public voltrak::OutputHost, public voltrak::CopyHost {
 public:
  unsigned Failures = 0;
  void CannotWrite(std::string_view, uint32_t) override { ++Failures; }
  void NoTrackName() override {}
  void WouldReplacePlaylist(std::string_view) override { ++Failures; }
  void NextTrack(uint32_t) override {}
  void Failed(voltrak::CopyFailure, std::string_view, uint32_t) override { ++Failures; }
};

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t end = text.find("\r\n"); end != std::string_view::npos; end = text.find("\r\n")) {
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + 2);
  }
  CHECK(text.empty());  // every line ends in CR LF
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
std::vector<std::pair<size_t, size_t>> VolumeRuns(const Playlist& playlist) {
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

std::string File(voltrak::testing::MemoryFileSystem& files, const std::string& path) {
  std::optional<std::string> bytes = files.Get(path);
  CHECK(bytes.has_value());
  return bytes.value_or(std::string());
}

void CheckSplitLists(const Playlist& playlist, std::string_view path,
                     voltrak::testing::MemoryFileSystem& files,
                     const voltrak::OutputResult& result) {
  const auto runs = VolumeRuns(playlist);
  CHECK(result.Failures == 0 && result.Written.size() == runs.size());
  const std::string base = voltrak::SplitListBase(path);
  for (size_t r = 0; r < runs.size() && r < result.Written.size(); ++r) {
    const std::string name = voltrak::SplitListName(base, playlist.Tracks[runs[r].first].Volume);
    CHECK(result.Written[r] == name);
    const std::string text = File(files, name);
    const auto entries = voltrak::ParseM3u(text);
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
  CHECK(Count(page, "<h3>Volume ") == VolumeRuns(playlist).size());
}

// One TRACK and INDEX pair per entry, each starting where the play lengths
// before it end, modulo 2^32 seconds as every time.
void CheckCueSheet(std::string_view sheet, const Playlist& playlist, const std::string& path) {
  const auto lines = Lines(sheet);
  CHECK(lines.size() == 1 + 2 * playlist.Tracks.size());
  CHECK(!lines.empty() && lines[0] == voltrak::CueFileLine(path));
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

// "#" and the base name, then a line per track holding its name up to the
// NUL that ends every text of the program.
void CheckLabel(std::string_view label, const Playlist& playlist, std::string_view path) {
  const auto lines = Lines(label);
  CHECK(lines.size() == 1 + playlist.Tracks.size());
  CHECK(!lines.empty() && lines[0] == "#" + voltrak::BaseNameOf(path));
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    std::string_view name = voltrak::ShownName(playlist.Tracks[i]);
    name = name.substr(0, name.find('\0'));
    CHECK(lines[i + 1].substr(4, name.size()) == name);
    CHECK(lines[i + 1].size() > 4 + name.size() && lines[i + 1].back() == ')');
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
  const std::string path = input.PickValueInArray(kPlaylistPaths);
  const voltrak::LoadSettings settings = voltrak::fuzz::RandomLoadSettings(input, path);
  voltrak::ReportSettings report;
  voltrak::PlanningSettings& planning = report.Planning;
  planning.FillMode = input.ConsumeIntegralInRange<uint32_t>(0, 2);
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

  voltrak::testing::MemoryFileSystem files;
  // Files of a few kilobytes, so that planning by size has sizes to plan.
  voltrak::fuzz::PutRandomTracks(input, files, 5000);
  files.Put(path, input.ConsumeRemainingBytesAsString());
  voltrak::testing::ScriptedLoadHost loadHost;
  Playlist playlist;
  voltrak::LoadPlaylist(settings, playlist, files, loadHost);
  if (playlist.Tracks.empty()) return 0;
  voltrak::PlanVolumes(planning, playlist, path);

  CountingHost host;
  const voltrak::OutputTarget target{path, files, host};
  CheckSplitLists(playlist, path, files, voltrak::WriteSplitLists(playlist, target));
  voltrak::testing::FixedClock clock({2024, 2, 4, 29, 23, 59, 58, 0});
  const voltrak::OutputResult page = voltrak::WriteHtmlReport(playlist, report, clock, target);
  CHECK(page.Written.size() == 1);
  CheckReport(File(files, voltrak::OutputPathOf(path, ".html")), playlist);
  const std::string cuePath = voltrak::OutputPathOf(path, ".cue");
  CHECK(voltrak::WriteCueSheet(playlist, target).Written.size() == 1);
  CheckCueSheet(File(files, cuePath), playlist, cuePath);
  CHECK(voltrak::WriteLabelFile(playlist, target).Written.size() == 1);
  CheckLabel(File(files, voltrak::OutputPathOf(path, ".lbl")), playlist, path);
  CHECK(host.Failures == 0);
  CheckClipboard(playlist, path, position);
  CheckCopies(playlist, options, path, folder, files);
  CheckPrintout(playlist, pageHeight, lineHeight);
  return 0;
}
