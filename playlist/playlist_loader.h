// Loading a playlist file into the store: parse, open every track file for
// its size and tag, count failures, repair paths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/duplicates.h"
#include "playlist/message_box.h"
#include "playlist/playlist_pieces.h"
#include "playlist/track_record.h"
#include "support/file_system.h"
#include "support/path_shape.h"

namespace voltrak {

// PathMode: how a load repairs the listed paths; the row of the paths list.
enum PathRepair : uint32_t { kIgnorePaths = 0, kRelativePaths = 1, kAbsolutePaths = 2 };

// What a load needs from the user interface while it runs: progress, the
// pending events, messages and questions, the duplicate question and the
// trace. What follows a load (a plan, the file kept for next time, an
// output run again) is the caller's to decide from the LoadOutcome. The
// window implements it with real controls; tests and the command line with
// scripts and text.
class LoadHost : public DuplicateHost {
 public:
  virtual ~LoadHost() = default;
  // The playlist opened and its text was read: the previous list is gone,
  // and the new one is built from now on (the window shows the empty list
  // and follows the file with its watcher).
  virtual void ListReplaced() = 0;
  virtual void SetTitle(std::string_view title) = 0;
  virtual void ProgressStart(uint32_t count) = 0;
  virtual void ProgressStep() = 0;
  // Lets the window handle what is pending, once per entry.
  virtual void HandlePendingEvents() = 0;
  // A message box: `owned` is false for a box with no owner window.
  virtual int ShowMessage(std::string_view text, std::string_view caption, uint32_t style,
                         bool owned) = 0;
  // Turns a system error code into text for the user, naming the place.
  virtual void ReportSystemError(uint32_t code, unsigned line, const char* file) = 0;
  // Asks whether to write the changed list back; `caption` says what changed.
  // True when the host has taken over with a rewrite that reloads.
  virtual bool OfferRewrite(std::string_view caption) = 0;
  // The system's code for the track file about to be named in "Could not
  // open file!". The window's box gives no reason; a command line does.
  virtual void NoteTrackError(uint32_t code) { static_cast<void>(code); }
};

// What a load reads besides the file itself.
struct LoadSettings {
  std::string CurrentPlaylistPath;
  PathRepair PathMode = kIgnorePaths;
  DuplicateHandling DuplicateMode = kKeepAllDuplicates;
  bool WarnLoadErrors = false;
  // What is read from the track files besides the size and the ID3v1 tag:
  // the play length of an entry the list gives none, and the tag of a file
  // that has only an ID3v2 one.
  bool MeasureUntimed = true;
  bool ReadId3v2 = true;
  // The threads that read the track files (TrackReadAhead): 1 reads each
  // on the load's thread when its turn comes. The programs use
  // ReadThreadsToUse().
  unsigned ReadThreads = 1;
};

// What a load did, for callers that act on it (an exit code, a dialog that
// follows the new list). Everything the user should see went through the host.
struct LoadOutcome {
  bool Opened = false;          // the playlist file was opened and the list replaced
  uint32_t OpenError = 0;       // the system's code when it could not be opened
  uint32_t Entries = 0;         // records in the list now
  uint32_t LoadErrors = 0;      // track files that could not be opened
  bool MemoryFailure = false;   // memory ran out: the list was left empty
  bool RewriteTookOver = false; // the rewrite reloaded the file: the list is its load's
  std::string PendingMessage;    // what the rewrite question was asked about, or empty
};

// Whether a playlist path is kept as the file to open next time: a name too
// long to open would only be refused again at the next start.
inline bool KeptAsLastFile(std::string_view path) {
  return !path.empty() && path.size() <= kMaxPathLength;
}

// Replaces `playlist` with the entries of settings.CurrentPlaylistPath. A
// playlist that cannot be opened leaves the previous list in place. Never
// throws: running out of memory empties the list and says so in the outcome.
LoadOutcome LoadPlaylist(const LoadSettings& settings, Playlist& playlist, FileSystem& files,
                         LoadHost& host);


// Rewrites every entry's path as `mode` asks. Returns the pending message
// ("Path changed.") when a path changed, else an empty text.
std::string RepairPaths(PathRepair mode, std::string_view playlistPath, Playlist& playlist,
                        LoadHost& host);

}  // namespace voltrak
