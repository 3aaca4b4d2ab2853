#include "cli/cli_output.h"

#include <array>
#include <cerrno>
#include <charconv>

#include "cli/cli_options.h"
#include "outputs/printout.h"
#include "planning/media_table.h"

namespace voltrak::cli {
namespace {

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
// quote, the backslash and, in a Latin-1 text, every byte above 127 (written
// as its code).
constexpr std::array<bool, 256> EscapeTable(bool latin1) {
  std::array<bool, 256> table{};
  for (size_t c = 0; c < table.size(); ++c) {
    table[c] = c < 0x20 || (latin1 && c >= 0x80) || c == '"' || c == '\\';
  }
  return table;
}
constexpr std::array<bool, 256> kLatin1Escapes = EscapeTable(true);
constexpr std::array<bool, 256> kUtf8Escapes = EscapeTable(false);

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
    error_ = errno;
  }
  text_.clear();
}

bool OutputBuffer::Finish() {
  Drain();
  if (stream_ != nullptr && (std::fflush(stream_) != 0 || std::ferror(stream_)) && !failed_) {
    failed_ = true;
    error_ = errno;
  }
  return !failed_;
}

bool IsUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  while (p < end) {
    unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    // The length of the sequence and the range its second byte must fall in.
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;   // shorter forms
      if (c == 0xED) high = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
      return false;
    }
    if (static_cast<size_t>(end - p) < length || p[1] < low || p[1] > high) return false;
    for (size_t i = 2; i < length; ++i) {
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    }
    p += length;
  }
  return true;
}

void AppendJsonString(OutputBuffer& out, std::string_view bytes) {
  static const char kHex[] = "0123456789abcdef";
  const std::array<bool, 256>& kNeedsEscape = IsUtf8(bytes) ? kUtf8Escapes : kLatin1Escapes;
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
  // The printout's lines, one to a line of the terminal.
  uint32_t place = 0;
  for (size_t i = 0; i < playlist.Tracks.size(); ++i) {
    out.Append(PrintedLine(playlist, i, place));
    out.Append('\n');
  }
}

void WriteJson(OutputBuffer& out, const PlanTexts& texts, const Playlist& playlist,
               const PlanningSettings& planning, size_t mediumRow,
               std::string_view pendingMessage, bool rewritten) {
  out.Append("{\n  \"title\": ");
  AppendJsonString(out, texts.Title);
  out.Append(",\n  \"pending_message\": ");
  if (pendingMessage.empty()) {
    out.Append("null");
  } else {
    AppendJsonString(out, pendingMessage);
  }
  out.Append(rewritten ? ",\n  \"rewritten\": true" : ",\n  \"rewritten\": false");
  // Each read-out under its control's id, as the window knows it, and again
  // under a name a script can read.
  struct Readout {
    const char* Id;
    const char* Name;
    const std::string& Text;
  };
  const Readout readouts[] = {{"1005", "play_list", texts.PlayList},
                              {"1007", "medium", texts.Medium},
                              {"1008", "reserve_first", texts.Reserve},
                              {"1013", "total_kb", texts.TotalKB}};
  const char* separator = ",\n  \"readouts\": {\"";
  for (bool byName : {false, true}) {
    for (const Readout& readout : readouts) {
      out.Append(separator);
      out.Append(byName ? readout.Name : readout.Id);
      out.Append("\": ");
      AppendJsonString(out, readout.Text);
      separator = ", \"";
    }
  }
  out.Append("},\n  \"settings\": {\"fill\": ");
  AppendJsonString(out, kFillWords[planning.FillMode < kFillWords.size() ? planning.FillMode : 0]);
  AppendMember(out, ", \"medium_row\": ", static_cast<uint32_t>(mediumRow));
  out.Append(", \"medium_caption\": ");
  AppendJsonString(out, mediumRow < kMediumCount ? MediaTable[mediumRow].Caption : "");
  AppendMember(out, ", \"capacity_seconds\": ", planning.MediumSeconds);
  AppendMember(out, ", \"capacity_kb\": ", planning.MediumKB);
  AppendMember(out, ", \"reserve_seconds\": ", planning.ReserveSeconds);
  AppendMember(out, ", \"reserve_kb\": ", planning.ReserveKB);
  out.Append(planning.ReservedSplit ? ", \"reserved_split\": true" : ", \"reserved_split\": false");
  AppendMember(out, ", \"max_volumes\": ", planning.MaximumVolumes);
  out.Append("},\n");
  AppendMember(out, "  \"totals\": {\"tracks\": ", playlist.TrackCount());
  AppendMember(out, ", \"seconds\": ", playlist.TotalSeconds);
  AppendMember(out, ", \"kb\": ", playlist.TotalKB);
  AppendMember(out, ", \"load_errors\": ", playlist.LoadErrors);
  out.Append("},\n  \"volumes\": [");
  std::vector<VolumeSummary> volumes = SummarizeVolumes(playlist);
  for (size_t v = 0; v < volumes.size(); ++v) {
    AppendMember(out, v == 0 ? "\n    {\"number\": " : ",\n    {\"number\": ",
                 static_cast<uint32_t>(v + 1));
    AppendMember(out, ", \"tracks\": ", volumes[v].Tracks);
    AppendMember(out, ", \"seconds\": ", volumes[v].Seconds);
    AppendMember(out, ", \"kb\": ", volumes[v].KB);
    out.Append("}");
  }
  out.Append(volumes.empty() ? "],\n  \"tracks\": [" : "\n  ],\n  \"tracks\": [");
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
