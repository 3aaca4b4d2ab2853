#include "playlist/playlist_loader.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "playlist/duplicates.h"
#include "playlist/id3v2.h"
#include "playlist/m3u_format.h"
#include "playlist/mp3_frames.h"
#include "playlist/playlist_pieces.h"
#include "support/whole_path.h"

namespace voltrak {
namespace {

// Whether a repaired path can stand as a path line: never empty, never
// starting with "#", and never holding a line end, which would split it into
// lines of their own when the list is written back (a playlist's folder may
// hold any of these).
bool WritablePath(std::string_view line) {
  return !line.empty() && line[0] != '#' && line.find_first_of("\r\n") == std::string_view::npos;
}

void ReportMissingName(const MP3Information& record, LoadHost& host) {
  if (!record.TrackName()) {
    host.ShowMessage("No track name found", "Information",
                    kBoxIconInformation | kBoxTopmost | kBoxSetForeground, false);
  }
}

void ReplacePath(MP3Information& record, std::string_view path, LoadHost& host) {
  record.SetFilePath(path);
  ReportMissingName(record, host);
}

// The entry's two texts, where they lie in the playlist's text; a text that
// cannot be held stays missing, which the load reports rather than ending.
void StoreTexts(MP3Information& record, TextBlock& piece, const M3uEntry& entry) {
  try {
    record.ShareTexts(piece, entry.ExtendedInfo, entry.FilePath);
  } catch (const std::bad_alloc&) {
  }
}

// `size` bytes of `file` from `offset` on, or fewer at its end.
std::string ReadPart(InputFile& file, uint64_t offset, size_t size) {
  std::string bytes(size, '\0');
  size_t got = 0;
  if (file.ReadAt(offset, bytes.data(), bytes.size(), &got) != kErrorSuccess) got = 0;
  bytes.resize(got);
  return bytes;
}

// The texts of an ID3v2 tag at the start of `head` as the record's tag.
void TakeId3v2Tag(MP3Information& record, std::string_view head) {
  if (std::optional<Id3v1Block> tag = Id3v1FromId3v2(head)) record.SetTag(*tag);
}

// The size, the ID3v1 tag, and what the settings ask of the file besides:
// the play length from its audio when the list gives none, and the texts
// of its ID3v2 tag when it has no ID3v1 tag. A few KiB from its start and
// its last bytes, read once the file is open.
uint32_t ReadWholeTrack(MP3Information& record, std::string_view fullPath, FileSystem& files,
                        const LoadSettings& settings) {
  uint64_t size = 0;
  char headBytes[kAudioHeadSize], tailBytes[kFileTailSize];
  size_t headRead = 0, tailRead = 0;
  const uint32_t error = files.ReadEnds(fullPath, &size, headBytes, sizeof headBytes, &headRead,
                                        tailBytes, sizeof tailBytes, &tailRead);
  if (error != kErrorSuccess) return error;
  const std::string_view head(headBytes, headRead), tail(tailBytes, tailRead);
  if (tail.size() >= sizeof(Id3v1Block)) {
    Id3v1Block tag;
    std::copy(tail.end() - static_cast<std::ptrdiff_t>(tag.size()), tail.end(), tag.begin());
    record.SetTag(tag);
  }
  if (settings.ReadId3v2 && record.Tag()[0] == 0) TakeId3v2Tag(record, head);
  if (std::optional<uint64_t> start = AudioStartOf(head, size)) {
    std::string_view audio = head.substr(static_cast<size_t>(std::min<uint64_t>(*start, head.size())));
    // A tag that takes most of the first read, or more: the audio's own
    // first bytes, once more. Half of it holds three frames of most files.
    std::string more;
    if (audio.size() < kAudioHeadSize / 2 && *start + audio.size() < size) {
      uint32_t ignored = 0;
      if (std::unique_ptr<InputFile> file = files.Open(fullPath, &ignored)) {
        more = ReadPart(*file, *start, kAudioHeadSize);
        audio = more;
      }
    }
    if (std::optional<uint32_t> seconds = Mp3PlayLength(audio, *start, size, tail)) {
      record.PlayLength = *seconds;
      record.LengthFrom = LengthSource::kMeasured;
    }
  }
  record.FileSize = static_cast<uint32_t>(size) / 1024u;  // the low 32 bits, as the system gives them
  record.Loaded = 1;
  return kErrorSuccess;
}

// Reads one entry's track file for its size and tag, and what the settings
// ask besides. Returns 0 or the system's error code.
uint32_t ReadTrackFile(MP3Information& record, std::string_view fullPath, FileSystem& files,
                       const LoadSettings& settings) {
  if (fullPath.size() > kMaxPathLength) return kErrorFilenameTooLong;
  // An entry the list gives no length: the file's head is wanted anyway.
  if (record.PlayLength == 0 && settings.MeasureUntimed) {
    return ReadWholeTrack(record, fullPath, files, settings);
  }
  // Otherwise the one read of the tail a timed list has always cost.
  uint64_t size = 0;
  size_t tailRead = 0;
  Id3v1Block tag;
  uint32_t error = files.ReadTail(fullPath, &size, tag.data(), tag.size(), &tailRead);
  if (error != kErrorSuccess) return error;
  // A file too short to hold a tag has none.
  if (tailRead == tag.size()) record.SetTag(tag);
  // Only a file without an ID3v1 tag is opened again, for its ID3v2 tag.
  if (settings.ReadId3v2 && record.Tag()[0] == 0 && size > kId3v2HeaderSize) {
    uint32_t ignored = 0;
    if (std::unique_ptr<InputFile> file = files.Open(fullPath, &ignored)) {
      TakeId3v2Tag(record, ReadPart(*file, 0, kAudioHeadSize));
    }
  }
  record.FileSize = static_cast<uint32_t>(size) / 1024u;  // the low 32 bits, as the system gives them
  record.Loaded = 1;
  return kErrorSuccess;
}

std::string Quoted(std::string_view before, std::string_view text, std::string_view after) {
  std::string line(before);
  line += text;
  line += after;
  return line;
}

}  // namespace

namespace {

// An entry made whole, in the user's style: the name this system gives
// the file (on POSIX its POSIX path, "." and ".." resolved), or else the
// playlist's root or folder before it, written with the entry's separator.
// Nothing when the playlist has no folder to give.
std::optional<std::string> AbsoluteOf(std::string_view path, std::string_view playlistPath) {
  const ListPlace list(playlistPath);
  std::string prefix(IsFromRoot(path) ? list.Root : list.Folder);
  if (prefix.empty()) return std::nullopt;
  if (std::optional<std::string> native = NativePathOf(prefix + std::string(path))) return native;
  if (SeparatorOf(path) == '/') std::replace(prefix.begin(), prefix.end(), '\\', '/');
  return prefix + std::string(path);
}

// An entry below the playlist's folder, or on its drive, made relative to
// it: bytes compare exactly, but for the two separators (c:\music and
// C:\Music share nothing, C:/Music and C:\Music all of it). An entry from
// the root compares by the name this system gives it and the folder's, when
// they have such names (on POSIX). Nothing when it stays.
std::optional<std::string> RelativeOf(std::string_view path, std::string_view playlistPath,
                                      const std::optional<std::string>& nativeFolder) {
  if (nativeFolder && IsFromRoot(path) && !IsNetworkPath(path)) {
    const std::optional<std::string> native =
        NativePathOf(std::string(RootOf(playlistPath)) + std::string(path));
    if (!native || native->size() <= nativeFolder->size() ||
        native->compare(0, nativeFolder->size(), *nativeFolder) != 0) {
      return std::nullopt;
    }
    std::string below = native->substr(nativeFolder->size());
    if (SeparatorOf(path) == '\\') std::replace(below.begin(), below.end(), '/', '\\');
    return below;
  }
  const size_t folderLength = LastSeparator(playlistPath);
  size_t common = 0;
  while (common < path.size() && common < playlistPath.size() &&
         (path[common] == playlistPath[common] ||
          (IsSeparator(path[common]) && IsSeparator(playlistPath[common])))) {
    ++common;
  }
  if (common > folderLength) common = folderLength;
  if (common == 0) return std::nullopt;
  if (common == folderLength && path.size() > folderLength + 1 &&
      IsSeparator(path[folderLength]) && WritablePath(path.substr(folderLength + 1))) {
    return std::string(path.substr(folderLength + 1));
  }
  if (HasDrive(path)) return std::string(path.substr(2));
  return std::nullopt;
}

}  // namespace

std::string RepairPaths(PathRepair mode, std::string_view playlistPath, Playlist& playlist,
                        LoadHost& host) {
  // Leaving paths as they are needs no look at them: on a large list that
  // look is a walk through every record's path.
  if (mode != kAbsolutePaths && mode != kRelativePaths) return std::string();
  std::vector<MP3Information>& tracks = playlist.Tracks;
  // On POSIX the folder's own name, for entries written from its root.
  const std::optional<std::string> nativeFolder = NativePathOf(FolderPart(playlistPath));
  // Entries that name their file whole: with a drive, or from a root that
  // this system names itself.
  uint32_t withDrive = 0, whole = 0;
  for (const MP3Information& record : tracks) {
    const std::string_view path = PathText(record);
    withDrive += HasDrive(path);
    whole += HasDrive(path) || (nativeFolder && IsFromRoot(path) && !IsNetworkPath(path));
  }
  const bool absolute = mode == kAbsolutePaths && withDrive < playlist.TrackCount();
  const bool relative = mode == kRelativePaths && whole != 0 && !FolderPart(playlistPath).empty();
  if (!absolute && !relative) return std::string();
  bool changed = false;
  for (size_t i = tracks.size(); i-- > 0;) {
    MP3Information& record = tracks[i];
    if (!record.FilePath()) continue;
    const std::string_view path = *record.FilePath();
    std::optional<std::string> repaired;
    if (absolute) {
      if (IsWholeWindowsPath(path)) continue;
      repaired = AbsoluteOf(path, playlistPath);
    } else {
      repaired = RelativeOf(path, playlistPath, nativeFolder);
    }
    // A path line is never empty, never starts with "#" and holds no line
    // end: written back, it would vanish, read as the next entry's
    // information, or split in two.
    if (!repaired || *repaired == path || !WritablePath(*repaired)) continue;
    ReplacePath(record, *repaired, host);
    changed = true;
  }
  return changed ? std::string(kPathChanged) : std::string();
}

namespace {

// The count of the track files that could not be opened, when the user
// asked to hear of them.
void WarnOfLoadErrors(const LoadSettings& settings, const Playlist& playlist, LoadHost& host) {
  if (settings.WarnLoadErrors && playlist.LoadErrors != 0) {
    host.ShowMessage(std::to_string(playlist.LoadErrors) + " of the files could not be opened!",
                    "Warning!", kBoxIconWarning, true);
  }
}

// Reads the entries of the playlist's text, in its pieces, and their
// track files into `playlist`, which has room for them all. Stops early
// when the user cancels at a track file that could not be opened.
void ReadEntries(std::vector<std::string>& pieces, const LoadSettings& settings,
                 Playlist& playlist, FileSystem& files, LoadHost& host) {
  const std::string& path = settings.CurrentPlaylistPath;
  // The track files are read as one batch, which lets the file system keep
  // their folders open; it is let go while the question about a file that
  // could not be opened waits, as the user may mend folders meanwhile. Most
  // lists name files below their own folder.
  const ListPlace list(path);
  std::optional<ReadBatch> batch(std::in_place, files, list.Folder);
  std::string fullPath;
  bool going = true;
  TextBlock* piece = nullptr;  // the text the entries lie in
  auto readEntry = [&](const M3uEntry& entry) {
    host.HandlePendingEvents();
    host.ProgressStep();
    // Built in its place in the list, for which room was reserved: adding
    // it cannot run out of memory or move the records before it.
    MP3Information& record = playlist.Tracks.emplace_back();
    StoreTexts(record, *piece, entry);
    if (std::optional<std::string_view> info = record.ExtendedInfo()) {
      // A length the list gives is the length; the file is measured only
      // for one it does not give (ReadTrackFile).
      record.PlayLength = PlayLengthOf(*info);
      if (record.PlayLength != 0) record.LengthFrom = LengthSource::kExtinf;
    }
    ResolveOpenPathInto(PathText(record), list, &fullPath);
    bool stop = false;
    // Only a text there was no room for leaves the record without a path.
    uint32_t trackError =
        record.FilePath() ? ReadTrackFile(record, fullPath, files, settings) : kErrorNotEnoughMemory;
    playlist.TotalSeconds += record.PlayLength;
    if (trackError != kErrorSuccess) {
      host.Trace(Quoted("Could not load \"", fullPath, "\"\n"));
      host.Trace(Quoted("Original file name is \"", entry.FilePath, "\"\n"));
      ++playlist.LoadErrors;
      if (settings.WarnLoadErrors) {
        host.NoteTrackError(trackError);
        batch.reset();
        stop = host.ShowMessage(fullPath, "Could not open file!", kBoxOkCancel, true) ==
               kAnswerCancel;
        batch.emplace(files, list.Folder);
      }
    } else {
      playlist.TotalKB += record.FileSize;
    }
    ReportMissingName(record, host);
    going = !stop;
    return going;
  };
  for (std::string& text : pieces) {
    // The records keep the piece, and hold their texts where they lie in it.
    TextBlockRef block(std::move(text));
    piece = &*block;
    if (going) ForEachM3uEntry(block.Text(), readEntry);
  }
  batch.reset();
}

// Reads the file and its track files into `playlist`. Returns whether
// entries were read.
bool ReadPlaylist(const LoadSettings& settings, Playlist& playlist, FileSystem& files,
                  LoadHost& host, LoadOutcome& outcome) {
  const std::string& path = settings.CurrentPlaylistPath;

  std::vector<std::string> pieces;
  uint32_t error = path.empty()                   ? kErrorPathNotFound
                   : path.size() > kMaxPathLength ? kErrorFilenameTooLong
                                                  : ReadPlaylistText(files, path, &pieces);
  outcome.Opened = error == kErrorSuccess || error == kErrorNotEnoughMemory;
  if (!outcome.Opened) {
    // The previous list stays, with its totals.
    outcome.OpenError = error;
    outcome.Entries = playlist.TrackCount();
    outcome.LoadErrors = playlist.LoadErrors;
    host.ShowMessage(path, kCannotOpenCaption, kBoxIconWarning, true);
    host.ReportSystemError(error, __LINE__, __FILE__);
    return false;
  }
  playlist.Reset();
  host.Trace(Quoted("Loading file: \"", path, "\".\n"));
  host.ListReplaced();
  if (error == kErrorNotEnoughMemory) {
    outcome.MemoryFailure = true;
    return false;
  }

  size_t count = 0;
  for (const std::string& piece : pieces) count += CountM3uEntries(piece);
  try {
    playlist.Tracks.reserve(count);
  } catch (const std::bad_alloc&) {
    outcome.MemoryFailure = true;
    count = 0;  // no room for the records: the list stays empty
  }
  host.SetTitle(Quoted("Loading \"", FileNamePart(path), "\""));
  if (count == 0) return false;

  host.ProgressStart(static_cast<uint32_t>(count));
  ReadEntries(pieces, settings, playlist, files, host);

  std::string pending = RepairPaths(settings.PathMode, path, playlist, host);
  pending = RemoveDuplicates(settings.DuplicateMode, playlist, pending, host);
  outcome.Entries = playlist.TrackCount();
  outcome.LoadErrors = playlist.LoadErrors;
  outcome.PendingMessage = pending;
  if (!pending.empty() && host.OfferRewrite(pending)) {
    outcome.RewriteTookOver = true;  // the rewrite ends with a complete load of its own
  }
  return true;
}

}  // namespace

LoadOutcome LoadPlaylist(const LoadSettings& settings, Playlist& playlist, FileSystem& files,
                         LoadHost& host) {
  LoadOutcome outcome;
  try {
    const bool entriesRead = ReadPlaylist(settings, playlist, files, host, outcome);
    if (entriesRead && !outcome.RewriteTookOver) WarnOfLoadErrors(settings, playlist, host);
  } catch (const std::bad_alloc&) {
    // Nothing may leave the core: a list half built when memory ran out goes,
    // as when its array could not be had.
    playlist.Reset();
    outcome.Entries = 0;
    outcome.LoadErrors = 0;
    outcome.MemoryFailure = true;
  }
  return outcome;
}

}  // namespace voltrak
