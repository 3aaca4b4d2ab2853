// What voltrak-cli prints from a loaded, planned list: the plan, the track
// list or one JSON document. Texts are written as the core holds them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "planning/volume_planner.h"
#include "playlist/track_record.h"

namespace voltrak::cli {

// Collects output and hands it to a stream in large pieces, so that a list
// of any length is never held whole. Without a stream it keeps everything,
// which is what the tests read.
class OutputBuffer {
 public:
  explicit OutputBuffer(std::FILE* stream = nullptr) : stream_(stream) {}
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  void Append(std::string_view bytes) {
    text_.append(bytes);
    if (stream_ != nullptr && text_.size() >= kChunk) Drain();
  }
  void Append(char c) { text_.push_back(c); }
  void AppendNumber(uint32_t value);

  // Writes what is left to the stream and flushes it; false when any write
  // failed along the way.
  bool Finish();
  const std::string& Text() const { return text_; }

 private:
  static constexpr size_t kChunk = 1 << 16;
  void Drain();

  std::FILE* stream_;
  std::string text_;
  bool failed_ = false;
};

// Appends `bytes` as a JSON string with its quotes. Every byte above 127
// becomes \u0080 to \u00ff, so the document is plain ASCII and loses nothing.
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

// One line per track in the printout's form "%3u %2u %3u %2u:%02u %s".
void WriteTrackList(OutputBuffer& out, const Playlist& playlist);

// The whole load and plan as one JSON document.
void WriteJson(OutputBuffer& out, const PlanTexts& texts, const Playlist& playlist);

}  // namespace voltrak::cli
