#include "outputs/cue_label.h"

#include "outputs/split_lists.h"

namespace voltrak {
namespace {

// A text for a cue sheet's line: one line, and no quote to end a quoted
// text early (a cue sheet has no way to write one inside); an apostrophe
// stands for it.
std::string CueText(std::string_view text) {
  std::string line = OneLine(text);
  for (char& c : line) {
    if (c == '"') c = '\'';
  }
  return line;
}

// The TRACK and INDEX lines of tracks [first, end), the first at 00:00:00.
void WriteCueTracks(OutputDocument& file, const Playlist& playlist, size_t first, size_t end) {
  uint32_t start = 0;  // seconds; wraps as every time does
  uint32_t number = 0;
  for (size_t i = first; i < end; ++i) {
    file.LineF(" TRACK %02u AUDIO", ++number);
    file.LineF("  INDEX 01 %02u:%02u:00", start / 60, start % 60);
    start += playlist.Tracks[i].PlayLength;
  }
}

// The label's line of each of tracks [first, end), numbered from 1.
void WriteLabelLines(OutputDocument& file, const Playlist& playlist, size_t first, size_t end) {
  uint32_t number = 0;
  for (size_t i = first; i < end; ++i) {
    const MP3Information& record = playlist.Tracks[i];
    const std::string name = OneLine(ShownName(record));
    file.LineF("%3u %.*s (%u:%02u)", ++number, static_cast<int>(name.size()), name.data(),
               record.PlayLength / 60, record.PlayLength % 60);
  }
}

// The one tag artist of tracks [first, end), or nothing when one has none
// or two differ.
std::string_view OneArtist(const Playlist& playlist, size_t first, size_t end) {
  const std::string_view artist = playlist.Tracks[first].TagArtist();
  for (size_t i = first + 1; i < end; ++i) {
    if (playlist.Tracks[i].TagArtist() != artist) return {};
  }
  return artist;
}

}  // namespace

std::string CueFileLine(std::string_view cuePath) {
  std::string image = CueText(BaseNameOf(cuePath) + ".WAV");
  if (image.find(' ') != std::string::npos) image = "\"" + image + "\"";
  return "FILE " + image + " WAVE";
}

OutputResult WriteCueSheet(const Playlist& playlist, const OutputTarget& target) {
  OutputResult result;
  if (playlist.Tracks.empty() || target.PlaylistPath.empty()) return result;
  OutputDocument file(target, OutputPathOf(target.PlaylistPath, ".cue"));
  if (file.Created()) {
    file.Line(CueFileLine(file.Path()));
    WriteCueTracks(file, playlist, 0, playlist.Tracks.size());
  }
  file.Finish(result);
  return result;
}

OutputResult WriteLabelFile(const Playlist& playlist, const OutputTarget& target) {
  OutputResult result;
  if (playlist.Tracks.empty() || target.PlaylistPath.empty()) return result;
  OutputDocument file(target, OutputPathOf(target.PlaylistPath, ".lbl"));
  if (file.Created()) {
    file.Line("#" + OneLine(BaseNameOf(target.PlaylistPath)));
    WriteLabelLines(file, playlist, 0, playlist.Tracks.size());
  }
  file.Finish(result);
  return result;
}

OutputResult WriteVolumeCueSheets(const Playlist& playlist, const OutputTarget& target) {
  OutputResult result;
  if (playlist.Tracks.empty() || target.PlaylistPath.empty()) return result;
  const std::string base = SplitListBase(target.PlaylistPath);
  const uint32_t discs = VolumeCount(playlist);
  for (const VolumeRun& run : VolumeRuns(playlist)) {
    OutputDocument file(target, VolumeFileName(base, run.Volume, ".cue"));
    if (file.Created()) {
      file.LineF("REM DISCNUMBER %u", run.Volume + 1);
      file.LineF("REM TOTALDISCS %u", discs);
      const std::string_view artist = OneArtist(playlist, run.First, run.End);
      if (!artist.empty()) file.Line("PERFORMER \"" + CueText(artist) + "\"");
      file.Line("TITLE \"" + CueText(BaseNameOf(target.PlaylistPath)) + "\"");
      file.Line(CueFileLine(file.Path()));
      WriteCueTracks(file, playlist, run.First, run.End);
    }
    file.Finish(result);
  }
  return result;
}

OutputResult WriteVolumeLabels(const Playlist& playlist, const OutputTarget& target) {
  OutputResult result;
  if (playlist.Tracks.empty() || target.PlaylistPath.empty()) return result;
  const std::string base = SplitListBase(target.PlaylistPath);
  const uint32_t volumes = VolumeCount(playlist);
  for (const VolumeRun& run : VolumeRuns(playlist)) {
    OutputDocument file(target, VolumeFileName(base, run.Volume, ".lbl"));
    if (file.Created()) {
      file.LineF("#%s, volume %u of %u", OneLine(BaseNameOf(target.PlaylistPath)).c_str(),
                 run.Volume + 1, volumes);
      WriteLabelLines(file, playlist, run.First, run.End);
    }
    file.Finish(result);
  }
  return result;
}

}  // namespace voltrak
