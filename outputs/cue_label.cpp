#include "outputs/cue_label.h"

namespace voltrak {

std::string CueFileLine(std::string_view cuePath) {
  std::string image = OneLine(BaseNameOf(cuePath) + ".WAV");
  // A cue sheet has no way to write a quote inside a quoted name; the image
  // is ours to name, so it takes an apostrophe instead.
  for (char& c : image) {
    if (c == '"') c = '\'';
  }
  if (image.find(' ') != std::string::npos) image = "\"" + image + "\"";
  return "FILE " + image + " WAVE";
}

OutputResult WriteCueSheet(const Playlist& playlist, const OutputTarget& target) {
  OutputResult result;
  if (playlist.Tracks.empty() || target.PlaylistPath.empty()) return result;
  OutputDocument file(target, OutputPathOf(target.PlaylistPath, ".cue"));
  if (file.Created()) {
    file.Line(CueFileLine(file.Path()));
    uint32_t start = 0;  // seconds; wraps as every time does
    uint32_t number = 0;
    for (const MP3Information& record : playlist.Tracks) {
      file.LineF(" TRACK %02u AUDIO", ++number);
      file.LineF("  INDEX 01 %02u:%02u:00", start / 60, start % 60);
      start += record.PlayLength;
    }
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
    uint32_t number = 0;
    for (const MP3Information& record : playlist.Tracks) {
      const std::string name = OneLine(ShownName(record));
      file.LineF("%3u %.*s (%u:%02u)", ++number, static_cast<int>(name.size()), name.data(),
                 record.PlayLength / 60, record.PlayLength % 60);
    }
  }
  file.Finish(result);
  return result;
}

}  // namespace voltrak
