// Copies every track of the list, in list order, into one folder under
// numbered names, each copy whole and with its source's three file times.
// Files of any size are copied in pieces, so memory stays the same whatever
// their size, and a copy that did not complete is removed, never left behind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/option_flags.h"
#include "playlist/track_record.h"
#include "support/file_system.h"

namespace voltrak {

// The window's words for the copy.
inline constexpr const char* kCopyQuestionText = "You have selected to copy %u tracks.";
inline constexpr const char* kCopyQuestionCaption = "Copy Tracks";
inline constexpr const char* kCopyPickerTitle = "Destination directory";
inline constexpr const char* kCopyFolderCaption = "Creating and copying audio files";
inline constexpr const char* kCannotReadCaption = "Could not open file for reading!";
inline constexpr const char* kNoBufferCaption = "Could not allocate IO buffer!";
inline constexpr const char* kCannotCreateCaption = "Can not open file for writing";

// Where a file's copy failed; each is reported once, and the run goes on.
enum class CopyFailure {
  kOpenSource,  // the source did not open (the source path is named)
  kNoBuffer,    // no memory for the copy's buffer (the source path)
  kCreate,      // the destination could not be created (the destination path)
  kRead,        // a read failed or the source ended early (the source path)
  kWrite,       // a write or the close failed, a full disk say (the destination path)
  kIsRead,      // the destination is another file the run reads: a track of the list, or
                // the playlist (the destination path); nothing was written
};

class CopyHost {
 public:
  virtual ~CopyHost() = default;
  // Track `index` (0-based) is next: progress, and the window answers meanwhile.
  virtual void NextTrack(uint32_t index) = 0;
  // Between pieces of one large file, so that the window keeps answering.
  virtual void Pending() {}
  // `path` is the source or the destination, as CopyFailure says; `error` a
  // system error code. The partial copy is already gone, and the
  // destination is as it was.
  virtual void Failed(CopyFailure what, std::string_view path, uint32_t error) = 0;
  // A copy is whole and in place.
  virtual void Copied(std::string_view source, std::string_view destination) {
    static_cast<void>(source), static_cast<void>(destination);
  }
};

// Where the copies go in the folder.
enum class CopyLayout {
  kOneFolder,  // all in the folder, numbered along the list
  kPerVolume,  // a folder per volume ("Volume 01", ...), numbered within it
};

enum class CopyOutcome { kCopied, kEmpty, kSame, kFailed };

// The files a run reads, which no copy may take the place of.
class ReadFiles {
 public:
  void Add(const FileIdentity& identity) { identities_.push_back(identity); }
  // A file the run reads whose identity the system would not give: any
  // file already there may be it.
  void AddUnknown() { unknown_ = true; }
  // Call once every file is added.
  void Seal();
  // Whether an existing file may be one the run reads.
  bool MayHold(const FileIdentity& identity) const;

 private:
  std::vector<FileIdentity> identities_;
  bool unknown_ = false;
};

struct CopyResult {
  uint32_t Copied = 0;
  uint32_t Skipped = 0;  // empty sources and copies onto themselves
  uint32_t Failures = 0;
};

// The destination folder: a chosen folder as it was chosen, with one
// trailing backslash; after a cancelled choice, a folder beside the playlist
// named after it without its file name's extension. Full stops in folder
// names are kept. A playlist name without an extension gets "-tracks"
// added, since a folder cannot share the playlist file's own name.
std::string CopyFolder(const std::optional<std::string>& chosen, std::string_view playlistPath);

// The copy name of the record at 0-based `index`: "%03u-" and then the
// track name without its full stops, followed by the source file name's
// extension (none when it has none); or the source file name, stripped of
// its leading track number when `CopyStripNumbers` is on. Either way every
// character Windows refuses in a file name is left out, so that the copy
// lands in the folder under that one name.
std::string CopyName(const MP3Information& record, uint32_t index, const OptionFlags& options);

// The file name less its leading track number ("07 - Song.mp3" is
// "Song.mp3"); kept whole when nothing would be left.
std::string_view StripTrackNumber(std::string_view fileName);

// `folder` and `name` with one backslash between them.
std::string CopyDestination(std::string_view folder, std::string_view name);

// The folder of 0-based volume `volume` of `volumes`: "Volume 01" and up,
// the number as wide as the last one needs and at least two digits, so
// that the folders sort in their order.
std::string VolumeFolderName(uint32_t volume, uint32_t volumes);

// Copies one file whole in pieces, then gives the copy the source's three
// times. The copy is written beside the destination and takes its name only
// when whole, so the destination, whatever it is, is never written through.
// An empty source makes no copy; nor does a destination that is the source
// under another name (kSame), and one that is another file of `reads` is
// refused. A failure is reported through `host` and removes what was
// written.
CopyOutcome CopyFileKeepTimes(FileSystem& files, CopyHost& host, std::string_view source,
                              std::string_view destination, const ReadFiles* reads = nullptr);

// Makes `folder` (one level) and copies every track into it, skipping a
// track whose destination is its source, by name or by identity. No copy
// takes the place of a source of the list or of the playlist. Per volume,
// each volume's folder is made in it first, and each copy's number counts
// from 1 within its volume.
CopyResult CopyTracks(const Playlist& playlist, const OptionFlags& options,
                      std::string_view playlistPath, std::string_view folder, FileSystem& files,
                      CopyHost& host, CopyLayout layout = CopyLayout::kOneFolder);

// What a run would copy, in bytes: the sizes of the sources that open.
uint64_t BytesToCopy(const Playlist& playlist, std::string_view playlistPath, FileSystem& files);

}  // namespace voltrak
