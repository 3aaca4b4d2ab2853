// The main window: the program's one dialog, the hub every command and
// private message goes through, and the load's host.
#pragma once

#include <windows.h>

namespace voltrak {

// Ten switches of the Options dialog, 1 on and 0 off; not stored between runs.
struct OptionFlags {
  int ReportByTitle = 0;
  int ReportByArtist = 0;
  int ReportByAlbum = 0;
  int ReportTrackListing = 1;
  int ReportByPath = 0;
  int ClipboardPalmReady = 0;
  int CopyStripNumbers = 1;
  int CopyNameByInfo = 1;
  int CopySingleTrackInfo = 1;
  int AutoRepeatLastCommand = 0;
};

// Runs the main window modally with no owner, the whole command line taken as
// one playlist path; returns the program's exit code.
int RunMainWindow(HINSTANCE instance, const char* commandLine);

}  // namespace voltrak
