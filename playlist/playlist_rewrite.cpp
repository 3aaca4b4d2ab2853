#include "playlist/playlist_rewrite.h"

#include <cstdio>

#include "playlist/m3u_format.h"
#include "playlist/message_box.h"

namespace voltrak {
namespace {

bool Exists(FileSystem& files, const std::string& path) {
  FileTimes ignored;
  return files.GetTimes(path, &ignored) == kErrorSuccess;
}

// A name beside the playlist that holds nothing of the user's.
std::string ScratchNameBeside(std::string_view playlistPath, FileSystem& files) {
  std::string base(playlistPath);
  if (base.size() + 12 > kMaxPathLength) {
    size_t folder = base.rfind('\\');
    base = base.substr(0, folder == std::string::npos ? 0 : folder + 1) + "~vt";
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = base + ".new" + (attempt ? std::to_string(attempt) : "") + ".tmp";
    if (!Exists(files, name)) return name;
  }
  return base + ".new.tmp";
}

// Writes the whole list to `path`; false, with the file gone, when any of
// it failed to arrive.
bool WriteWhole(const std::string& path, const Playlist& playlist, FileSystem& files) {
  uint32_t error = kErrorSuccess;
  std::unique_ptr<OutputFile> file = files.Create(path, &error);
  if (!file) return false;
  bool whole = M3uWriter(*file, playlist.Tracks);
  whole = file->Close() == kErrorSuccess && whole;
  if (!whole) files.Delete(path);
  return whole;
}

}  // namespace

std::string BackupNameOf(std::string_view playlistPath, const LocalTime& now) {
  std::string_view extension = ExtensionPart(playlistPath);
  if (extension.empty()) return std::string(playlistPath) + ".bak";
  const size_t dot = playlistPath.size() - extension.size();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "-%04u%02u%02u%02u%02u%02u", unsigned{now.Year},
                unsigned{now.Month}, unsigned{now.Day}, unsigned{now.Hour}, unsigned{now.Minute},
                unsigned{now.Second});
  std::string backup(playlistPath.substr(0, dot));
  backup += stamp;
  backup += playlistPath.substr(dot);
  return backup;
}

RewriteOutcome RewritePlaylist(std::string_view playlistPath, const Playlist& playlist,
                               FileSystem& files, Clock& clock, RewriteHost& host) {
  const std::string path(playlistPath);
  RewriteOutcome outcome;
  const std::string backup = BackupNameOf(path, clock.Now());
  if (!ExtensionPart(path).empty()) {
    host.ShowMessage(backup, "Renaming old play list.",
                     kBoxIconInformation | kBoxTopmost | kBoxSetForeground);
  } else {
    files.Delete(backup);  // the ".bak" holds only the last version
  }

  // The new list first, beside the old one: a refused create or a full disk
  // then costs nothing but this scratch file.
  const std::string scratch = ScratchNameBeside(path, files);
  if (!WriteWhole(scratch, playlist, files)) {
    host.ShowMessage(path, kCannotOpenCaption, kBoxIconWarning);
    return outcome;
  }
  if (files.Rename(path, backup) != kErrorSuccess) {
    files.Delete(scratch);
    host.ShowMessage("Could not create a backup file!", "Error", kBoxIconError);
    return outcome;
  }
  outcome.Backup = backup;
  if (files.Rename(scratch, path) != kErrorSuccess) {
    files.Delete(scratch);
    if (files.Rename(backup, path) == kErrorSuccess) {
      outcome.Backup.clear();
      host.ShowMessage(path, kCannotOpenCaption, kBoxIconWarning);
    } else {
      host.ShowMessage("The playlist could not be written. Its old content is in \"" + backup +
                           "\".",
                       "Error", kBoxIconError);
    }
    return outcome;
  }
  outcome.Written = true;
  host.Reload();
  return outcome;
}

}  // namespace voltrak
