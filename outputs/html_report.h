// The HTML report: a page that documents the loaded, planned list, with a
// summary, one table per volume, sorted listings and the load errors.
#pragma once

#include <string>
#include <string_view>

#include "outputs/output_file.h"
#include "planning/volume_planner.h"
#include "playlist/option_flags.h"
#include "playlist/track_orderings.h"
#include "playlist/track_record.h"
#include "support/clock.h"

namespace voltrak {

// The five listings the report can add, in the order it writes them.
struct ReportListing {
  const char* Name;  // short, for voltrak-cli's --listings
  const char* Caption;
  const char* Anchor;
  Ordering Order;
  int OptionFlags::*Switch;
};
inline constexpr ReportListing kReportListings[] = {
    {"trackname", "List by Track Name", "ListByTrackName", Ordering::kByTrackName,
     &OptionFlags::ReportByTitle},
    {"title", "List by Title", "List By Title", Ordering::kByTitle,
     &OptionFlags::ReportTrackListing},
    {"artist", "List by Artist", "List By Artist", Ordering::kByArtist,
     &OptionFlags::ReportByArtist},
    {"album", "List by Album", "ListByAlbum", Ordering::kByAlbum, &OptionFlags::ReportByAlbum},
    {"path", "List by Path", "ListByPath", Ordering::kByPath, &OptionFlags::ReportByPath},
};

struct ReportSettings {
  PlanningSettings Planning;  // FillMode, MediumSeconds and ReservedSplit count
  OptionFlags Options;        // which listings
  std::string MakerWebAddress;  // the credit lines link to it
};

// Text from the playlist or the file system made safe inside the page:
// "&", "<", ">" and the double quote become entities. The program's texts
// always ended at a NUL byte, and so does this one.
std::string HtmlText(std::string_view text);

// The link a browser follows to an entry's file from the page, which lies
// beside the playlist: a relative path stays a relative URL; any other is
// a file URL of the file as this system names it ("FILE:///C:/Music/a.mp3",
// "FILE:///home/me/a.mp3", "FILE://server/share/a.mp3"). Blanks, "#", "%",
// "?", control bytes and bytes above 127 are percent-encoded; the result
// is still to be made safe for the page (HtmlText).
std::string FileLinkOf(std::string_view entry, std::string_view playlistPath);

// A signed difference of 32-bit seconds as h:mm:ss, with a minus sign when
// the volumes hold more than their capacity.
std::string SignedHoursMinutesSeconds(uint32_t difference);

// Writes playlist.html beside the playlist. Refreshes every record's track
// name on the way, as the volume tables show them. Nothing happens without
// tracks or a playlist path; the page is not opened here.
OutputResult WriteHtmlReport(Playlist& playlist, const ReportSettings& settings, Clock& clock,
                             const OutputTarget& target);

}  // namespace voltrak
