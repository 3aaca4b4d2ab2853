// Writing the list in memory back to its playlist file, after a dated
// backup. The user's playlist is never lost: the new text goes to a file
// beside it first, and only a complete, closed file takes the playlist's
// place; whatever fails, the playlist's own name holds a whole list and the
// user is told where the backup is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "playlist/track_record.h"
#include "support/clock.h"
#include "support/file_system.h"

namespace voltrak {

// What the rewrite needs from the user interface.
class RewriteHost {
 public:
  virtual ~RewriteHost() = default;
  virtual int ShowMessage(std::string_view text, std::string_view caption, uint32_t style) = 0;
  // Loads the written file again, at once: a complete load of its own.
  virtual void Reload() = 0;
};

// The backup's name: the path with "-YYYYMMDDhhmmss" before the file name's
// last full stop, or with ".bak" added when the file name has no full stop
// (one in a folder name does not count).
std::string BackupNameOf(std::string_view playlistPath, const LocalTime& now);

struct RewriteOutcome {
  bool Written = false;  // the new list is in place and was reloaded
  std::string Backup;    // where the old content went, when it moved
};

RewriteOutcome RewritePlaylist(std::string_view playlistPath, const Playlist& playlist,
                               FileSystem& files, Clock& clock, RewriteHost& host);

}  // namespace voltrak
