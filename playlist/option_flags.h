// The ten switches of the Options dialog. The report, the clipboard text, the
// track copy and the automatic repeat read them, so they live in the core.
#pragma once

namespace voltrak {

// 1 on and 0 off; not stored between runs.
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

}  // namespace voltrak
