// The Edit dialog: the user's hands on the list's order and membership.
#pragma once

#include <windows.h>

#include <cstdint>

#include "playlist/track_record.h"

namespace voltrak {

// The build date and time the main window shows, shown again here.
struct BuildStamp {
  const char* Date;
  const char* Time;
};

// Runs the dialog modally over `owner`, the main window. Moves and removals
// change `playlist` at once and ask the owner to plan again; OK asks it to
// write the list back (when anything was counted as a change), Cancel to
// load it again from its file (Reopen), and the close box keeps the edit in
// memory only. The list follows every load the owner announces. Returns the
// count of edits, which the caller may ignore.
uint32_t RunEditDialog(HWND owner, Playlist& playlist, BuildStamp stamp);

}  // namespace voltrak
