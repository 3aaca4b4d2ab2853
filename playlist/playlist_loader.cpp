#include "playlist/playlist_loader.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "playlist/duplicates.h"
#include "playlist/m3u_format.h"
#include "playlist/playlist_pieces.h"
#include "playlist/track_file.h"
#include "playlist/track_read_ahead.h"
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
//
// Each entry's record is made as the text gives it, and its file asked
// for; the read-ahead reads the files while the records are finished in
// the list's order, as a batch that lets the file system keep their
// folders open. Most lists name files below their own folder.
void ReadEntries(std::vector<std::string>& pieces, const LoadSettings& settings,
                 Playlist& playlist, FileSystem& files, LoadHost& host) {
  const ListPlace list(settings.CurrentPlaylistPath);
  TrackReadAhead ahead(files, {settings.MeasureUntimed, settings.ReadId3v2}, list.Folder,
                       settings.ReadThreads);
  std::vector<MP3Information>& tracks = playlist.Tracks;
  size_t finished = 0;
  std::string fullPath;
  // Finishes the oldest record not finished: false when the user cancels.
  auto finishOne = [&] {
    // A read that keeps the load waiting does not keep the window from
    // answering meanwhile.
    while (!ahead.NextReady(std::chrono::milliseconds(20))) host.HandlePendingEvents();
    host.HandlePendingEvents();
    host.ProgressStep();
    MP3Information& record = tracks[finished++];
    const TrackFileFacts facts = ahead.Take(&fullPath);
    ApplyTrackFile(facts, record);
    playlist.TotalSeconds += record.PlayLength;
    bool stop = false;
    if (facts.Error != kErrorSuccess) {
      host.Trace(Quoted("Could not load \"", fullPath, "\"\n"));
      host.Trace(Quoted("Original file name is \"", PathText(record), "\"\n"));
      ++playlist.LoadErrors;
      if (settings.WarnLoadErrors) {
        host.NoteTrackError(facts.Error);
        // Nothing is read while the question waits: the user may mend
        // files and folders meanwhile.
        ahead.Pause();
        stop = host.ShowMessage(fullPath, "Could not open file!", kBoxOkCancel, true) ==
               kAnswerCancel;
        ahead.Resume();
      }
    } else {
      playlist.TotalKB += record.FileSize;
    }
    ReportMissingName(record, host);
    return !stop;
  };
  bool going = true;
  TextBlock* piece = nullptr;  // the text the entries lie in
  auto readEntry = [&](const M3uEntry& entry) {
    // Built in its place in the list, for which room was reserved: adding
    // it cannot run out of memory or move the records before it.
    MP3Information& record = tracks.emplace_back();
    StoreTexts(record, *piece, entry);
    if (std::optional<std::string_view> info = record.ExtendedInfo()) {
      // A length the list gives is the length; the file is measured only
      // for one it does not give.
      record.PlayLength = PlayLengthOf(*info);
      if (record.PlayLength != 0) record.LengthFrom = LengthSource::kExtinf;
    }
    ResolveOpenPathInto(PathText(record), list, &fullPath);
    // Only a text there was no room for leaves the record without a path.
    ahead.Ask(fullPath, record.PlayLength, record.FilePath().has_value());
    while (going && ahead.Full()) going = finishOne();
    return going;
  };
  for (std::string& text : pieces) {
    // The records keep the piece, and hold their texts where they lie in it.
    TextBlockRef block(std::move(text));
    piece = &*block;
    if (going) ForEachM3uEntry(block.Text(), readEntry);
  }
  while (going && ahead.Waiting()) going = finishOne();
  // Entries after a cancel were asked for, never finished: they go.
  tracks.erase(tracks.begin() + static_cast<std::ptrdiff_t>(finished), tracks.end());
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
