#include "playlist/playlist_rewrite.h"

#include <cstdio>

#include "playlist/m3u_format.h"
#include "playlist/message_box.h"
#include "support/replacement_file.h"

namespace voltrak {

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
  const bool dated = !ExtensionPart(path).empty();

  // The new list first, under a name of its own beside the old one: a
  // refused create or a full disk then costs nothing but that file.
  ReplacementFile written(files, path);
  if (written.Error() == kErrorSuccess) M3uWriter(written, playlist.Tracks);
  if (written.Close() != kErrorSuccess) {
    host.ShowMessage(path, kCannotOpenCaption, kBoxIconWarning);
    return outcome;
  }
  // A dated backup takes no name that is taken; the ".bak" holds only the
  // last version, and the one before it goes only as this one takes its
  // place, in one step.
  const uint32_t moved = dated ? files.Rename(path, backup) : files.Replace(path, backup);
  if (moved != kErrorSuccess) {
    written.Abandon();
    host.ShowMessage("Could not create a backup file!", "Error", kBoxIconError);
    return outcome;
  }
  outcome.Backup = backup;
  if (written.Commit(false) != kErrorSuccess) {
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
  // Said once it is so: a backup announced before a failure would name a
  // file that never came to be.
  if (dated) {
    host.ShowMessage(backup, "Renaming old play list.",
                     kBoxIconInformation | kBoxTopmost | kBoxSetForeground);
  }
  outcome.Written = true;
  host.Reload();
  return outcome;
}

}  // namespace voltrak
