#include "playlist/playlist_loader.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "playlist/duplicates.h"
#include "playlist/m3u_format.h"

namespace voltrak {
namespace {

// A slash separates folders as a backslash does: Windows takes both, and
// lists written on other systems (/home/me/music/a.mp3) hold nothing else.
// The path text itself is kept as it was written.
constexpr std::string_view kSeparators = "\\/";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrive(std::string_view path) { return path.size() >= 2 && path[1] == ':'; }

// From the root of a drive: \Music\a.mp3 or /Music/a.mp3.
bool IsFromRoot(std::string_view path) { return !path.empty() && IsSeparator(path[0]); }

// Only two leading separators make a network path: A\Abba\song.mp3 is a
// relative path in a one-letter folder, not a share.
bool IsNetworkPath(std::string_view path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// The root that a path beginning with one separator hangs from: the drive of
// the playlist (C:), or \\server\share when the playlist is on a share.
std::string_view RootOf(std::string_view playlistPath) {
  if (IsNetworkPath(playlistPath)) {
    size_t server = playlistPath.find_first_of(kSeparators, 2);
    if (server == std::string_view::npos) return playlistPath;
    size_t share = playlistPath.find_first_of(kSeparators, server + 1);
    return playlistPath.substr(0, share);
  }
  return playlistPath.substr(0, 2);
}

// The playlist's folder through its last separator, or nothing.
std::string_view FolderOf(std::string_view playlistPath) {
  size_t slash = playlistPath.find_last_of(kSeparators);
  return slash == std::string_view::npos ? std::string_view() : playlistPath.substr(0, slash + 1);
}

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

// Reads one entry's track file for its size and tag. Returns 0 or the
// system's error code.
uint32_t ReadTrackFile(MP3Information& record, std::string_view fullPath, FileSystem& files) {
  if (fullPath.size() > kMaxPathLength) return kErrorFilenameTooLong;
  uint64_t size = 0;
  size_t tailRead = 0;
  Id3v1Block tag;
  uint32_t error = files.ReadTail(fullPath, &size, tag.data(), tag.size(), &tailRead);
  if (error != kErrorSuccess) return error;
  // A file too short to hold a tag has none.
  if (tailRead == tag.size()) record.SetTag(tag);
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

// Where a playlist's paths are taken from: its root and its folder.
struct ListPlace {
  explicit ListPlace(std::string_view playlistPath)
      : Root(RootOf(playlistPath)), Folder(FolderOf(playlistPath)) {}
  std::string_view Root;
  std::string_view Folder;
};

// ResolveOpenPath into *full, reusing its room: the load builds one path
// for every entry.
void ResolveOpenPathInto(std::string_view filePath, const ListPlace& list, std::string* full) {
  if (HasDrive(filePath) || IsNetworkPath(filePath)) {
    full->assign(filePath);
    return;
  }
  full->assign(IsFromRoot(filePath) ? list.Root : list.Folder);
  full->append(filePath);
}

}  // namespace

std::string ResolveOpenPath(std::string_view filePath, std::string_view playlistPath) {
  std::string full;
  ResolveOpenPathInto(filePath, ListPlace(playlistPath), &full);
  return full;
}

std::string RepairPaths(uint32_t mode, std::string_view playlistPath, Playlist& playlist,
                        LoadHost& host) {
  // Leaving paths as they are needs no look at them: on a large list that
  // look is a walk through every record's path.
  if (mode != kAbsolutePaths && mode != kRelativePaths) return std::string();
  std::vector<MP3Information>& tracks = playlist.Tracks;
  uint32_t withDrive = 0;
  for (const MP3Information& record : tracks) {
    if (HasDrive(PathText(record))) ++withDrive;
  }
  bool changed = false;
  if (mode == kAbsolutePaths && withDrive < playlist.TrackCount()) {
    std::string_view folder = FolderOf(playlistPath);
    for (size_t i = tracks.size(); i-- > 0;) {
      MP3Information& record = tracks[i];
      if (!record.FilePath()) continue;
      std::string_view path = *record.FilePath();
      if (HasDrive(path) || IsNetworkPath(path)) continue;
      std::string repaired;
      if (IsFromRoot(path)) {
        repaired = RootOf(playlistPath);
      } else if (!folder.empty()) {
        repaired = folder;
      } else {
        continue;
      }
      repaired += path;
      if (!WritablePath(repaired)) continue;
      ReplacePath(record, repaired, host);
      changed = true;
    }
  } else if (mode == kRelativePaths && withDrive != 0) {
    size_t folderLength = playlistPath.find_last_of(kSeparators);
    if (folderLength == std::string_view::npos) return std::string();
    for (size_t i = tracks.size(); i-- > 0;) {
      MP3Information& record = tracks[i];
      if (!record.FilePath()) continue;
      std::string_view path = *record.FilePath();
      // Bytes compare exactly, but for the two separators: c:\music and
      // C:\Music share nothing, C:/Music and C:\Music all of it.
      size_t common = 0;
      while (common < path.size() && common < playlistPath.size() &&
             (path[common] == playlistPath[common] ||
              (IsSeparator(path[common]) && IsSeparator(playlistPath[common])))) {
        ++common;
      }
      if (common > folderLength) common = folderLength;
      if (common == 0) continue;
      auto writable = [](std::string_view line) { return WritablePath(line); };
      std::string repaired;
      if (common == folderLength && path.size() > folderLength &&
          IsSeparator(path[folderLength]) && writable(path.substr(folderLength + 1))) {
        repaired = path.substr(folderLength + 1);
      } else if (HasDrive(path) && writable(path.substr(2))) {
        repaired = path.substr(2);
      } else {
        continue;
      }
      ReplacePath(record, repaired, host);
      changed = true;
    }
  }
  return changed ? std::string(kPathChanged) : std::string();
}

namespace {

// Where a piece of playlist text may end so that it parses, and counts, as
// the same bytes do within the whole text: at the start of a line whose
// line before is a path line, so that no "#" line waits for the next entry,
// and not the first line of `text`, which may start with the byte-order
// mark that the parse takes off before it looks for "#"; and where what
// follows cannot be taken for the byte-order mark or the header that the
// parse takes off the start of a text. npos when there is no such place
// after `from`: the places up to it were looked at before, when the text
// ended there, and the verdict on them stands.
size_t PieceEnd(std::string_view text, size_t from) {
  using m3u_detail::kHeader;
  using m3u_detail::kUtf8Bom;
  auto isLineEnd = [](char c) { return c == '\r' || c == '\n'; };
  // Also when what follows is too short to tell, or nothing yet.
  auto couldOpen = [&](std::string_view rest) {
    for (std::string_view start : {kUtf8Bom, kHeader}) {
      if (rest.substr(0, start.size()) == start.substr(0, rest.size())) return true;
    }
    return false;
  };
  size_t cut = text.size();
  while (cut > from && !isLineEnd(text[cut - 1])) --cut;
  while (cut > from) {
    size_t lineEnd = cut;
    while (lineEnd > 0 && isLineEnd(text[lineEnd - 1])) --lineEnd;
    size_t lineStart = lineEnd;
    while (lineStart > 0 && !isLineEnd(text[lineStart - 1])) --lineStart;
    if (lineStart > 0 && text[lineStart] != '#' && !couldOpen(text.substr(cut))) {
      return cut;
    }
    cut = lineStart;
  }
  return std::string_view::npos;
}

// The steps that end every load, whatever happened before them.
void FinishLoad(const LoadSettings& settings, const Playlist& playlist, bool entriesRead,
                LoadHost& host) {
  if (entriesRead && settings.WarnLoadErrors && playlist.LoadErrors != 0) {
    host.ShowMessage(std::to_string(playlist.LoadErrors) + " of the files could not be opened!",
                    "Warning!", kBoxIconWarning, true);
  }
  host.PlanVolumes();
  // A name too long to open would only be refused again at the next start.
  const std::string& path = settings.CurrentPlaylistPath;
  if (!path.empty() && path.size() <= kMaxPathLength) host.StoreLastFile(path);
  if (settings.AutoRepeatLastCommand && settings.LastCommand != 0) {
    host.RunCommand(settings.LastCommand);
  }
}

// Reads the file and its track files into `playlist`. Returns whether
// entries were read; the finishing steps are the caller's.
bool ReadPlaylist(const LoadSettings& settings, Playlist& playlist, FileSystem& files,
                  LoadHost& host, LoadOutcome& outcome) {
  const std::string& path = settings.CurrentPlaylistPath;
  host.EnableFileCommands(!settings.ListFromPlayer);

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
  host.StopWatcher();
  host.StartWatcher();
  host.PlanVolumes();  // shows the list as empty while it is read
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
    // Made where it stays: there is room for every entry.
    MP3Information& record = playlist.Tracks.emplace_back();
    StoreTexts(record, *piece, entry);
    if (std::optional<std::string_view> info = record.ExtendedInfo()) {
      // The play length comes from the list only, never from the file.
      record.PlayLength = PlayLengthOf(*info);
      playlist.TotalSeconds += record.PlayLength;
    }
    ResolveOpenPathInto(PathText(record), list, &fullPath);
    bool stop = false;
    // Only a text there was no room for leaves the record without a path.
    uint32_t trackError =
        record.FilePath() ? ReadTrackFile(record, fullPath, files) : kErrorNotEnoughMemory;
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

// Beyond the byte-order mark and the header, what follows a place to cut
// no longer changes whether it is one.
constexpr size_t kVerdictMargin = 16;

}  // namespace

uint32_t ReadPlaylistText(FileSystem& files, std::string_view path,
                          std::vector<std::string>* pieces, size_t pieceSize) {
  pieceSize = std::max<size_t>(pieceSize, 1);
  uint32_t error = kErrorSuccess;
  std::unique_ptr<InputFile> file = files.Open(path, &error);
  if (!file) return error;
  try {
    std::string piece;
    size_t searched = 0;
    uint64_t total = 0;
    for (;;) {
      // No more room than the file is said to need, and a little over to
      // see its end: most lists are small, and their loads many.
      const uint64_t left = file->Size() > total ? file->Size() - total : 0;
      const size_t want =
          static_cast<size_t>(std::min<uint64_t>(pieceSize, std::max<uint64_t>(left + 1, 4096)));
      const size_t filled = piece.size();
      piece.resize(filled + want);
      size_t got = 0;
      error = file->Read(piece.data() + filled, want, &got);
      piece.resize(filled + got);
      total += got;
      // A read that fails is no end of the text: a list cut short there and
      // written back would lose the rest for good.
      if (error != kErrorSuccess) {
        pieces->clear();
        return error;
      }
      if (got == 0) break;
      if (piece.size() < pieceSize) continue;
      const size_t end = PieceEnd(piece, searched);
      if (end == std::string_view::npos) {
        // One long entry: read on, and look only at what comes, or a text
        // without a place to cut would be searched again from its start at
        // every read. Near the old end what follows decides, so look again.
        searched = piece.size() - std::min(piece.size(), kVerdictMargin);
        continue;
      }
      searched = 0;
      std::string rest = piece.substr(end);
      piece.resize(end);
      pieces->push_back(std::move(piece));
      piece = std::move(rest);
    }
    if (!piece.empty()) pieces->push_back(std::move(piece));
  } catch (const std::bad_alloc&) {
    pieces->clear();
    return kErrorNotEnoughMemory;
  }
  return kErrorSuccess;
}

LoadOutcome LoadPlaylist(const LoadSettings& settings, Playlist& playlist, FileSystem& files,
                         LoadHost& host) {
  LoadOutcome outcome;
  bool finishing = false;
  try {
    bool entriesRead = ReadPlaylist(settings, playlist, files, host, outcome);
    if (outcome.RewriteTookOver) return outcome;
    finishing = true;
    FinishLoad(settings, playlist, entriesRead, host);
  } catch (const std::bad_alloc&) {
    // Nothing may leave the core: a list half built when memory ran out goes,
    // as when its array could not be had, and the load still ends as loads do.
    playlist.Reset();
    outcome.Entries = 0;
    outcome.LoadErrors = 0;
    outcome.MemoryFailure = true;
    if (!finishing) {
      try {
        FinishLoad(settings, playlist, false, host);
      } catch (const std::bad_alloc&) {
      }
    }
  }
  return outcome;
}

}  // namespace voltrak
