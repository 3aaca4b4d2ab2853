#include "outputs/output_file.h"

#include <cstdarg>
#include <cstdio>

#include "playlist/track_record.h"

namespace voltrak {
namespace {

// Large enough that a write costs little next to filling the buffer, small
// enough that a huge report keeps only this much in memory.
constexpr size_t kBlockSize = 64 * 1024;

}  // namespace

std::vector<VolumeRun> VolumeRuns(const Playlist& playlist) {
  std::vector<VolumeRun> runs;
  const std::vector<MP3Information>& tracks = playlist.Tracks;
  for (size_t first = 0; first < tracks.size();) {
    size_t end = first + 1;
    while (end < tracks.size() && tracks[end].Volume == tracks[first].Volume) ++end;
    runs.push_back({tracks[first].Volume, first, end});
    first = end;
  }
  return runs;
}

uint32_t VolumeCount(const Playlist& playlist) {
  return playlist.Tracks.empty() ? 0 : playlist.Tracks.back().Volume + 1;
}

std::string OutputPathOf(std::string_view playlistPath, std::string_view extension) {
  std::string path(playlistPath.substr(0, playlistPath.size() - ExtensionPart(playlistPath).size()));
  path += extension;
  return path;
}

std::string BaseNameOf(std::string_view path) {
  std::string_view name = FileNamePart(path);
  return std::string(name.substr(0, name.size() - ExtensionPart(name).size()));
}

std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return line;
}

OutputDocument::OutputDocument(const OutputTarget& target, std::string path)
    : target_(target), path_(std::move(path)) {
  // Whether the name reaches the playlist; when the system cannot tell,
  // nothing is written rather than risk it.
  std::optional<FileIdentity> there, playlist;
  failure_ = IdentifyIfThere(target_.Files, path_, &there);
  if (failure_ == 0 && there && !target_.PlaylistPath.empty()) {
    failure_ = IdentifyIfThere(target_.Files, target_.PlaylistPath, &playlist);
  }
  if (failure_ != 0) {
    target_.Host.CannotWrite(path_, failure_);
    return;
  }
  if (there && playlist && *there == *playlist) {
    failure_ = kErrorAccessDenied;
    target_.Host.WouldReplacePlaylist(path_);
    return;
  }
  file_ = std::make_unique<ReplacementFile>(target_.Files, path_);
  failure_ = file_->Error();
  if (failure_ != 0) {
    file_.reset();
    target_.Host.CannotWrite(path_, failure_);
  }
}

OutputDocument::~OutputDocument() { Close(); }

bool OutputDocument::Write(std::string_view bytes) {
  if (!file_ || failure_ != 0) return false;
  buffer_ += bytes;
  return buffer_.size() < kBlockSize || Flush();
}

void OutputDocument::Line(std::string_view text) {
  Write(text);
  Write("\r\n");
}

void OutputDocument::LineF(const char* format, ...) {
  if (!file_ || failure_ != 0) return;
  // Formatted straight into the buffer, growing it when the line is long:
  // no line is ever cut.
  size_t start = buffer_.size();
  size_t room = 1024;
  for (;;) {
    buffer_.resize(start + room);
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(&buffer_[start], room, format, args);
    va_end(args);
    if (length >= 0 && static_cast<size_t>(length) < room) {
      buffer_.resize(start + static_cast<size_t>(length));
      break;
    }
    room = length >= 0 ? static_cast<size_t>(length) + 1 : room * 2;
  }
  Write("\r\n");
}

bool OutputDocument::Flush() {
  if (!buffer_.empty() && !file_->Write(buffer_)) failure_ = kErrorWriteFault;
  buffer_.clear();
  return failure_ == 0;
}

uint32_t OutputDocument::Close() {
  if (closed_) return failure_;
  closed_ = true;
  if (!file_) return failure_;  // reported when it was refused or not created
  const bool written = failure_ == 0 && Flush();
  const uint32_t committed = written ? file_->Commit() : file_->Close();
  file_.reset();  // a file not committed is removed
  if (written && committed == 0) return 0;
  // The close names the real cause (a full disk) when the write did not.
  if (committed != 0) failure_ = committed;
  target_.Host.CannotWrite(path_, failure_);
  return failure_;
}

void OutputDocument::Finish(OutputResult& result) {
  if (Close() == 0) {
    result.Written.push_back(path_);
  } else {
    ++result.Failures;
  }
}

}  // namespace voltrak
