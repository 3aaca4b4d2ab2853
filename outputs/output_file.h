// What every written output shares: the host that shows its warnings, the
// names of its files, and one file from creation to close with every write
// checked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/message_box.h"
#include "playlist/track_record.h"
#include "support/file_system.h"
#include "support/replacement_file.h"

namespace voltrak {

// The window's words for what an output meets on the way.
inline constexpr const char* kNoTrackNameText = "No track name found";
inline constexpr const char* kNoTrackNameCaption = "Information";
// After the output's name in quotes, when that name reaches the playlist.
inline constexpr const char* kIsThePlaylistText = "\" is the playlist itself: it was not written.";

// What an output needs from the user interface.
class OutputHost {
 public:
  virtual ~OutputHost() = default;
  // A file could not be created or written whole (`error`, a system error
  // code, says why); the output goes on with its next file.
  virtual void CannotWrite(std::string_view path, uint32_t error) = 0;
  // The report met a record with nothing to call it by; it goes on.
  virtual void NoTrackName() = 0;
  // The output's name reaches the playlist itself (a list named "mix.cue"
  // and its cue sheet, a link): it was not written, and the playlist is as
  // it was.
  virtual void WouldReplacePlaylist(std::string_view path) = 0;
};

// Where an output goes and whom it tells.
struct OutputTarget {
  std::string_view PlaylistPath;  // CurrentPlaylistPath
  FileSystem& Files;
  OutputHost& Host;
};

// What a run wrote: the files written whole, in order, and how many could
// not be created or written in full (each was reported once).
struct OutputResult {
  std::vector<std::string> Written;
  uint32_t Failures = 0;
};

// One volume's tracks, [First, End) of the list: planning never lowers
// Volume along the list, so each volume is one run.
struct VolumeRun {
  uint32_t Volume;
  size_t First;
  size_t End;
};
// The runs in list order; a volume without tracks (an empty first volume)
// has none.
std::vector<VolumeRun> VolumeRuns(const Playlist& playlist);

// How many volumes the plan has, an empty first one counted: the last
// track's Volume + 1, as the window's title counts them.
uint32_t VolumeCount(const Playlist& playlist);

// The output file name with `extension` in place of the playlist file
// name's own (from its last full stop), or added when the file name has
// none; a full stop in a folder name never counts.
std::string OutputPathOf(std::string_view playlistPath, std::string_view extension);

// The file name without its folder and without its extension.
std::string BaseNameOf(std::string_view path);

// `text` as one line of a file: every control character (CR and LF among
// them) a blank, so that no name can start a line of its own.
std::string OneLine(std::string_view text);

// One output file, written in blocks so that a report of 100,000 tracks
// never sits in memory whole. It is written under a scratch name beside its
// own and takes that name only when whole (ReplacementFile): a file that
// cannot be created, or whose write or close fails, is reported once and
// leaves what was there before. A name that reaches the playlist is
// refused. Paths longer than kMaxPathLength are refused as the system
// would refuse them, on every platform alike.
class OutputDocument final : public OutputFile {
 public:
  OutputDocument(const OutputTarget& target, std::string path);
  ~OutputDocument() override;
  OutputDocument(const OutputDocument&) = delete;
  OutputDocument& operator=(const OutputDocument&) = delete;

  bool Created() const { return file_ != nullptr && failure_ == 0; }
  const std::string& Path() const { return path_; }

  // Buffered; false once anything failed.
  bool Write(std::string_view bytes) override;
  // The bytes and the line end.
  void Line(std::string_view text);
  // A line filled as printf fills it, of any length.
  void LineF(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Gives up on the file: its close reports `error` and removes it.
  void Fail(uint32_t error) {
    if (failure_ == 0) failure_ = error;
  }
  // Flushes and closes: 0, or the first error, already reported.
  uint32_t Close() override;
  // Closes and adds the file to `result`, as written or as failed.
  void Finish(OutputResult& result);

 private:
  bool Flush();

  const OutputTarget& target_;
  std::string path_;
  std::unique_ptr<ReplacementFile> file_;
  std::string buffer_;
  uint32_t failure_ = 0;
  bool closed_ = false;
};

}  // namespace voltrak
