#include "cli/cli_output.h"

#include <array>
#include <charconv>

namespace voltrak::cli {
namespace {

// The printout's name of a track: the title after the first comma of its
// extended-information line, else its path.
std::string_view PrintedName(const MP3Information& track) {
  if (track.ExtendedInfo) {
    size_t comma = track.ExtendedInfo->find(',');
    if (comma != std::string::npos) return std::string_view(*track.ExtendedInfo).substr(comma + 1);
  }
  return track.FilePath ? std::string_view(*track.FilePath) : std::string_view();
}

void AppendReadout(OutputBuffer& out, std::string_view label, std::string_view value) {
  out.Append(label);
  if (!value.empty()) {
    // Values line up after the longest label, "Reserve 1st:".
    out.Append(std::string(13 - label.size(), ' '));
    out.Append(value);
  }
  out.Append('\n');
}

void AppendOptionalString(OutputBuffer& out, const std::optional<std::string_view>& text) {
  if (text) {
    AppendJsonString(out, *text);
  } else {
    out.Append("null");
  }
}

// True for the bytes a JSON string cannot hold as they are: controls, the
// quote, the backslash, and every byte above 127 (written as its code).
constexpr std::array<bool, 256> kNeedsEscape = [] {
  std::array<bool, 256> table{};
  for (size_t c = 0; c < table.size(); ++c) {
    table[c] = c < 0x20 || c >= 0x80 || c == '"' || c == '\\';
  }
  return table;
}();

void AppendMember(OutputBuffer& out, std::string_view key, uint32_t value) {
  out.Append(key);
  out.AppendNumber(value);
}

}  // namespace

void OutputBuffer::AppendNumber(uint32_t value) {
  char digits[12];
  std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
  text_.append(digits, result.ptr);
}

void OutputBuffer::Drain() {
  if (stream_ == nullptr || text_.empty()) return;
  if (!failed_ && std::fwrite(text_.data(), 1, text_.size(), stream_) != text_.size()) {
    failed_ = true;
  }
  text_.clear();
}

bool OutputBuffer::Finish() {
  Drain();
  if (stream_ != nullptr && (std::fflush(stream_) != 0 || std::ferror(stream_))) failed_ = true;
  return !failed_;
}

void AppendJsonString(OutputBuffer& out, std::string_view bytes) {
  static const char kHex[] = "0123456789abcdef";
  out.Append('"');
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p < end) {
    // Runs of plain bytes go out whole; a JSON document of a long list is
    // mostly such runs.
    const char* run = p;
    while (p < end && !kNeedsEscape[static_cast<unsigned char>(*p)]) ++p;
    if (p > run) out.Append(std::string_view(run, static_cast<size_t>(p - run)));
    if (p == end) break;
    unsigned char c = static_cast<unsigned char>(*p++);
    switch (c) {
      case '"': out.Append("\\\""); break;
      case '\\': out.Append("\\\\"); break;
      case '\n': out.Append("\\n"); break;
      case '\r': out.Append("\\r"); break;
      case '\t': out.Append("\\t"); break;
      default: {
        char escape[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
        out.Append(std::string_view(escape, sizeof escape));
        break;
      }
    }
  }
  out.Append('"');
}

std::vector<VolumeSummary> SummarizeVolumes(const Playlist& playlist) {
  std::vector<VolumeSummary> volumes;
  if (playlist.Tracks.empty()) return volumes;
  // Planning only ever moves one volume on per track, so this is at most
  // one more than the number of tracks.
  volumes.resize(static_cast<size_t>(playlist.Tracks.back().Volume) + 1);
  for (const MP3Information& track : playlist.Tracks) {
    if (track.Volume >= volumes.size()) continue;  // never after a plan
    VolumeSummary& volume = volumes[track.Volume];
    volume.Tracks += 1;
    volume.Seconds += track.PlayLength;
    volume.KB += track.FileSize;
  }
  return volumes;
}

void WritePlan(OutputBuffer& out, const PlanTexts& texts, const Playlist& playlist) {
  out.Append(texts.Title);
  out.Append('\n');
  AppendReadout(out, "Play List:", texts.PlayList);
  AppendReadout(out, "Medium:", texts.Medium);
  AppendReadout(out, "Reserve 1st:", texts.Reserve);
  AppendReadout(out, "Total KB:", texts.TotalKB);
  std::vector<VolumeSummary> volumes = SummarizeVolumes(playlist);
  if (volumes.empty()) return;
  out.Append("Volume  Tracks       Time          KB\n");
  char line[96];
  for (size_t v = 0; v < volumes.size(); ++v) {
    std::snprintf(line, sizeof line, "%6u  %6u  %9s  %10u\n", static_cast<unsigned>(v + 1),
                  static_cast<unsigned>(volumes[v].Tracks),
                  HoursMinutesSeconds(volumes[v].Seconds, false).c_str(),
                  static_cast<unsigned>(volumes[v].KB));
    out.Append(line);
  }
}

void WriteTrackList(OutputBuffer& out, const Playlist& playlist) {
  char line[64];
  uint32_t position = 0;
  for (size_t i = 0; i < playlist.Tracks.size(); ++i) {
    const MP3Information& track = playlist.Tracks[i];
    // Counted along the list rather than taken from VolumeTrack, so tracks
    // merged into the last volume by the volume limit count on.
    position = i > 0 && playlist.Tracks[i - 1].Volume == track.Volume ? position + 1 : 1;
    std::snprintf(line, sizeof line, "%3u %2u %3u %2u:%02u ", static_cast<unsigned>(i + 1),
                  static_cast<unsigned>(track.Volume + 1u), static_cast<unsigned>(position),
                  static_cast<unsigned>(track.PlayLength / 60),
                  static_cast<unsigned>(track.PlayLength % 60));
    out.Append(line);
    out.Append(PrintedName(track));
    out.Append('\n');
  }
}

void WriteJson(OutputBuffer& out, const PlanTexts& texts, const Playlist& playlist) {
  out.Append("{\n  \"title\": ");
  AppendJsonString(out, texts.Title);
  out.Append(",\n  \"readouts\": {\"1005\": ");
  AppendJsonString(out, texts.PlayList);
  out.Append(", \"1007\": ");
  AppendJsonString(out, texts.Medium);
  out.Append(", \"1008\": ");
  AppendJsonString(out, texts.Reserve);
  out.Append(", \"1013\": ");
  AppendJsonString(out, texts.TotalKB);
  out.Append("},\n");
  AppendMember(out, "  \"totals\": {\"tracks\": ", playlist.TrackCount());
  AppendMember(out, ", \"seconds\": ", playlist.TotalSeconds);
  AppendMember(out, ", \"kb\": ", playlist.TotalKB);
  AppendMember(out, ", \"load_errors\": ", playlist.LoadErrors);
  out.Append("},\n  \"tracks\": [");
  for (size_t i = 0; i < playlist.Tracks.size(); ++i) {
    const MP3Information& track = playlist.Tracks[i];
    out.Append(i == 0 ? "\n    " : ",\n    ");
    AppendMember(out, "{\"index\": ", static_cast<uint32_t>(i));
    out.Append(", \"file_path\": ");
    AppendOptionalString(out, track.FilePath);
    out.Append(", \"extended_info\": ");
    AppendOptionalString(out, track.ExtendedInfo);
    out.Append(", \"track_name\": ");
    AppendOptionalString(out, track.TrackName());
    AppendMember(out, ", \"file_size_kb\": ", track.FileSize);
    AppendMember(out, ", \"play_length\": ", track.PlayLength);
    AppendMember(out, ", \"volume\": ", track.Volume);
    AppendMember(out, ", \"volume_track\": ", track.VolumeTrack);
    out.Append(track.Loaded ? ", \"loaded\": true" : ", \"loaded\": false");
    out.Append(", \"tag\": {\"title\": ");
    AppendJsonString(out, track.TagTitle());
    out.Append(", \"artist\": ");
    AppendJsonString(out, track.TagArtist());
    out.Append(", \"album\": ");
    AppendJsonString(out, track.TagAlbum());
    out.Append(", \"comment\": ");
    AppendJsonString(out, track.TagComment());
    out.Append(", \"year\": ");
    AppendJsonString(out, track.TagYear());
    AppendMember(out, ", \"genre\": ", track.TagGenre());
    out.Append("}}");
  }
  out.Append(playlist.Tracks.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

}  // namespace voltrak::cli
