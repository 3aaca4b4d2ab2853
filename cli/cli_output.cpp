#include "cli/cli_output.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "cli/cli_options.h"
#include "cli/plan_check.h"
#include "support/byte_search.h"
#include "outputs/printout.h"
#include "planning/media_table.h"

namespace voltrak::cli {
namespace {

void AppendSpaces(OutputBuffer& out, size_t count) {
  std::memset(out.Room(count), ' ', count);
  out.Added(count);
}

void AppendReadout(OutputBuffer& out, std::string_view label, std::string_view value) {
  out.Append(label);
  if (!value.empty()) {
    // Values line up after the longest label, "Reserve 1st:".
    AppendSpaces(out, 13 - label.size());
    out.Append(value);
  }
  out.Append('\n');
}

// `text` right-aligned in `width` columns, as printf's "%*s" sets it, and
// after at least one blank: a number that outgrows its column must not run
// into the one before.
void AppendRight(OutputBuffer& out, std::string_view text, size_t width) {
  AppendSpaces(out, text.size() < width ? width - text.size() : 1);
  out.Append(text);
}

void AppendRight(OutputBuffer& out, uint32_t value, size_t width) {
  char digits[10];
  const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  AppendRight(out, std::string_view(digits, static_cast<size_t>(end - digits)), width);
}

void AppendOptionalString(OutputBuffer& out, const std::optional<std::string_view>& text) {
  if (text) {
    AppendJsonString(out, *text);
  } else {
    out.Append("null");
  }
}

// What a byte is in a JSON string: written as it is, escaped (controls, the
// quote, the backslash), or above 127, which is written as it is in a UTF-8
// text and as its code in a Latin-1 one.
enum ByteKind : unsigned char { kPlain, kEscaped, kHigh };
constexpr std::array<ByteKind, 256> ByteKinds() {
  std::array<ByteKind, 256> kinds{};
  for (size_t c = 0; c < kinds.size(); ++c) {
    kinds[c] = c < 0x20 || c == '"' || c == '\\' ? kEscaped : c >= 0x80 ? kHigh : kPlain;
  }
  return kinds;
}
constexpr std::array<ByteKind, 256> kByteKinds = ByteKinds();

// Which of the sixteen bytes at `p` a JSON string does not take as they
// are (see JsonUnsafeMask).
inline unsigned NotPlain16(const unsigned char* p, bool high) {
  return JsonUnsafeMask(reinterpret_cast<const char*>(p), high);
}

// The `left` bytes (fewer than sixteen) at `p` at the front of `block`, the
// rest of it plain; nothing past them is read.
inline void LoadShort(const unsigned char* p, size_t left, unsigned char (&block)[16]) {
  std::memset(block, 'a', sizeof block);
  if (left >= 8) {
    std::memcpy(block, p, 8);
    std::memcpy(block + left - 8, p + left - 8, 8);
  } else if (left >= 4) {
    std::memcpy(block, p, 4);
    std::memcpy(block + left - 4, p + left - 4, 4);
  } else {
    for (size_t i = 0; i < left; ++i) block[i] = p[i];
  }
}

// The number of plain bytes that `bad` (from NotPlain16) starts with.
inline size_t PlainRun(unsigned bad) {
  return bad == 0 ? 16 : static_cast<size_t>(__builtin_ctz(bad));
}

void AppendMember(OutputBuffer& out, std::string_view key, uint32_t value) {
  out.Append(key);
  out.AppendNumber(value);
}

}  // namespace

OutputBuffer::OutputBuffer(std::FILE* stream) : stream_(stream) {}

void OutputBuffer::AppendLong(std::string_view bytes) {
  if (stream_ != nullptr && bytes.size() >= kChunk) {
    // A whole text made elsewhere goes out as it is, not through the buffer.
    Drain();
    Write(bytes.data(), bytes.size());
    return;
  }
  std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
  used_ += bytes.size();
}

void OutputBuffer::AppendNumber(uint32_t value) {
  char* at = Room(10);
  used_ += static_cast<size_t>(std::to_chars(at, at + 10, value).ptr - at);
}

void OutputBuffer::MakeRoom(size_t size) {
  if (stream_ != nullptr && used_ > 0) {
    Drain();
    if (capacity_ >= size) return;
  }
  size_t capacity = std::max({capacity_ * 2, used_ + size, stream_ != nullptr ? kChunk : 4096});
  std::unique_ptr<char[]> larger(new char[capacity]);
  if (used_ > 0) std::memcpy(larger.get(), buffer_.get(), used_);
  buffer_ = std::move(larger);
  capacity_ = capacity;
}

void OutputBuffer::Write(const char* bytes, size_t size) {
  if (!failed_ && std::fwrite(bytes, 1, size, stream_) != size) {
    failed_ = true;
    error_ = errno;
  }
}

void OutputBuffer::Drain() {
  if (stream_ == nullptr || used_ == 0) return;
  Write(buffer_.get(), used_);
  used_ = 0;
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
  // Written in place: at worst every byte takes six, and sixteen are copied
  // at a time.
  char* const start = out.Room(bytes.size() * 6 + 2 + 16);
  char* at = start;
  *at++ = '"';
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  // Whether the text is UTF-8 is asked at its first byte above 127, of the
  // rest only: all before it is ASCII, which no sequence starts in.
  enum { kUnknown, kUtf8, kLatin1 } form = kUnknown;
  while (p < end) {
    // Plain bytes, the most of any text, sixteen at a time, and the last
    // few at once.
    while (end - p >= 16) {
      const size_t run = PlainRun(NotPlain16(p, form != kUtf8));
      std::memcpy(at, p, 16);
      at += run;
      p += run;
      if (run < 16) break;
    }
    if (end - p < 16) {
      const size_t left = static_cast<size_t>(end - p);
      unsigned char block[16];
      LoadShort(p, left, block);
      const size_t run = std::min(left, PlainRun(NotPlain16(block, form != kUtf8)));
      std::memcpy(at, block, 16);
      at += run;
      p += run;
      if (p == end) break;
    }
    const unsigned char c = *p++;
    const ByteKind kind = kByteKinds[c];
    if (kind == kHigh) {
      if (form == kUnknown) {
        const char* from = reinterpret_cast<const char*>(p - 1);
        form = IsUtf8(std::string_view(from, static_cast<size_t>(end - p + 1))) ? kUtf8 : kLatin1;
      }
      if (form == kUtf8) {
        *at++ = static_cast<char>(c);
        continue;
      }
    }
    *at++ = '\\';
    switch (c) {
      case '"': *at++ = '"'; break;
      case '\\': *at++ = '\\'; break;
      case '\n': *at++ = 'n'; break;
      case '\r': *at++ = 'r'; break;
      case '\t': *at++ = 't'; break;
      default:
        std::memcpy(at, "u00", 3);
        at[3] = kHex[c >> 4];
        at[4] = kHex[c & 15];
        at += 5;
        break;
    }
  }
  *at++ = '"';
  out.Added(static_cast<size_t>(at - start));
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
  for (size_t v = 0; v < volumes.size(); ++v) {
    AppendRight(out, static_cast<uint32_t>(v + 1), 6);
    AppendRight(out, volumes[v].Tracks, 8);
    AppendRight(out, HoursMinutesSeconds(volumes[v].Seconds, false), 11);
    AppendRight(out, volumes[v].KB, 12);
    out.Append('\n');
  }
}

void WriteTrackList(OutputBuffer& out, const Playlist& playlist) {
  // The printout's lines, one to a line of the terminal, with each size.
  uint32_t place = 0;
  for (size_t i = 0; i < playlist.Tracks.size(); ++i) {
    out.Append(PrintedLine(playlist, i, place, true));
    out.Append('\n');
  }
}

void WriteJson(OutputBuffer& out, const PlanTexts& texts, const Playlist& playlist,
               const PlanningSettings& planning, size_t mediumRow, const PlanCheck& check,
               std::string_view pendingMessage, bool rewritten) {
  // Marks that a check of another list would not have: none.
  auto marked = [](const std::vector<bool>& marks, size_t at) {
    return at < marks.size() && marks[at];
  };
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
  AppendJsonString(out, kFillWords[planning.FillMode < kFillWords.size() ? planning.FillMode : 0u]);
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
  out.Append("},\n  \"warnings\": [");
  for (size_t w = 0; w < check.Warnings.size(); ++w) {
    out.Append(w == 0 ? "\n    {\"kind\": " : ",\n    {\"kind\": ");
    AppendJsonString(out, check.Warnings[w].Kind);
    out.Append(", \"text\": ");
    AppendJsonString(out, check.Warnings[w].Text);
    out.Append("}");
  }
  out.Append(check.Warnings.empty() ? "],\n  \"volumes\": [" : "\n  ],\n  \"volumes\": [");
  std::vector<VolumeSummary> volumes = SummarizeVolumes(playlist);
  for (size_t v = 0; v < volumes.size(); ++v) {
    AppendMember(out, v == 0 ? "\n    {\"number\": " : ",\n    {\"number\": ",
                 static_cast<uint32_t>(v + 1));
    AppendMember(out, ", \"tracks\": ", volumes[v].Tracks);
    AppendMember(out, ", \"seconds\": ", volumes[v].Seconds);
    AppendMember(out, ", \"kb\": ", volumes[v].KB);
    out.Append(marked(check.Overfull, v) ? ", \"overfull\": true}" : ", \"overfull\": false}");
  }
  out.Append(volumes.empty() ? "],\n  \"tracks\": [" : "\n  ],\n  \"tracks\": [");
  for (size_t i = 0; i < playlist.Tracks.size(); ++i) {
    const MP3Information& track = playlist.Tracks[i];
    out.Append(i == 0 ? "\n    " : ",\n    ");
    AppendMember(out, "{\"index\": ", static_cast<uint32_t>(i));
    out.Append(", \"file_path\": ");
    AppendOptionalString(out, track.FilePath());
    out.Append(", \"extended_info\": ");
    AppendOptionalString(out, track.ExtendedInfo());
    out.Append(", \"track_name\": ");
    AppendOptionalString(out, track.TrackName());
    AppendMember(out, ", \"file_size_kb\": ", track.FileSize);
    AppendMember(out, ", \"play_length\": ", track.PlayLength);
    out.Append(track.LengthFrom == LengthSource::kExtinf     ? ", \"length_source\": \"extinf\""
               : track.LengthFrom == LengthSource::kMeasured ? ", \"length_source\": \"measured\""
                                                             : ", \"length_source\": \"none\"");
    AppendMember(out, ", \"volume\": ", track.Volume);
    AppendMember(out, ", \"volume_track\": ", track.VolumeTrack);
    out.Append(marked(check.Oversize, i) ? ", \"oversize\": true" : ", \"oversize\": false");
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
