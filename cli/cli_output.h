// What voltrak-cli prints from a loaded, planned list: the plan, the track
// list or one JSON document. Texts are written as the core holds them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "planning/volume_planner.h"
#include "playlist/track_record.h"

namespace voltrak::cli {

struct PlanCheck;

// Collects output in one buffer and hands it to a stream a quarter of a
// megabyte at a time, so that a list of any length is never held whole and
// a long one takes few writes. Without a stream it keeps everything, which is what the
// tests read.
class OutputBuffer {
 public:
  explicit OutputBuffer(std::FILE* stream = nullptr);
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  void Append(std::string_view bytes) {
    // Inline for the many short pieces of a document: keys, punctuation.
    if (bytes.size() < capacity_ - used_ && bytes.size() < kChunk) {
      std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
    } else {
      AppendLong(bytes);
    }
  }
  void Append(char c) {
    *Room(1) = c;
    ++used_;
  }
  void AppendNumber(uint32_t value);

  // Room for `size` more bytes at the end, to be written in place and then
  // counted with Added.
  char* Room(size_t size) {
    if (capacity_ - used_ < size) MakeRoom(size);
    return buffer_.get() + used_;
  }
  void Added(size_t size) { used_ += size; }

  // Writes what is left to the stream and flushes it; false when any write
  // failed along the way.
  bool Finish();
  std::string Text() const { return std::string(buffer_.get(), used_); }
  // The errno of the first write that failed.
  int Error() const { return error_; }

 private:
  // Large enough that writes are few, small beside the records it writes.
  static constexpr size_t kChunk = size_t{256} << 10;
  void AppendLong(std::string_view bytes);
  void MakeRoom(size_t size);
  void Drain();
  void Write(const char* bytes, size_t size);

  std::FILE* stream_;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t used_ = 0;
  bool failed_ = false;
  int error_ = 0;
};

// Whether `bytes` are well-formed UTF-8: shortest forms only, no surrogates,
// nothing past U+10FFFF.
bool IsUtf8(std::string_view bytes);

// Appends `bytes` as a JSON string with its quotes. A text that is UTF-8 is
// written as it stands; any other in its Latin-1 reading, every byte above
// 127 as \u0080 to \u00ff. Either way nothing is lost.
void AppendJsonString(OutputBuffer& out, std::string_view bytes);

// Tracks, time and kilobytes of one volume.
struct VolumeSummary {
  uint32_t Tracks = 0;
  uint32_t Seconds = 0;  // wraps modulo 2^32, as every total does
  uint32_t KB = 0;
};

// One entry per volume from volume 0 to the last track's volume, so a
// volume that planning left empty is listed too.
std::vector<VolumeSummary> SummarizeVolumes(const Playlist& playlist);

// The default output: the window title, the four read-outs, and one line per
// volume.
void WritePlan(OutputBuffer& out, const PlanTexts& texts, const Playlist& playlist);

// One line per track in the printout's form with the size in KB after the
// time: "%3u %2u %3u %2u:%02u %8u %s".
void WriteTrackList(OutputBuffer& out, const Playlist& playlist);

// The whole load and plan as one JSON document, with the planning settings
// it was made with and `mediumRow`, the medium chosen; what the rewrite
// question was asked about (null when nothing) and whether the file was
// rewritten; and what `check` found: its warnings, and "oversize" and
// "overfull" of each track and volume.
void WriteJson(OutputBuffer& out, const PlanTexts& texts, const Playlist& playlist,
               const PlanningSettings& planning, size_t mediumRow, const PlanCheck& check,
               std::string_view pendingMessage = {}, bool rewritten = false);

}  // namespace voltrak::cli
