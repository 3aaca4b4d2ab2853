// The files voltrak-cli writes from the planned list when asked: the split
// lists, the HTML report, the cue sheet and the label file, in that order.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "cli/file_lines.h"
#include "planning/volume_planner.h"
#include "playlist/option_flags.h"
#include "playlist/track_record.h"

namespace voltrak::cli {

struct OutputRequest {
  bool Split = false;
  bool Html = false;
  bool Cue = false;
  bool Label = false;
  // The report's listings: the program's start values unless --listings says.
  OptionFlags Listings;
  // --copy=DIR, after the other outputs: the folder as given, and how the
  // copies are named (the program's start values unless told otherwise).
  std::optional<std::string> CopyTo;
  OptionFlags Copy;
  bool Force = false;  // copy although the folder's file system seems too full
  // --per-volume: copies in a folder per volume, and a cue sheet and a label
  // per volume in place of the whole list's.
  bool PerVolume = false;
};

// Reads --listings: comma-separated short names of the report's listings
// (trackname, title, artist, album, path), or nothing for none. Gives the
// name it does not know, or nothing when all were known.
std::optional<std::string> ChooseListings(std::string_view names, OptionFlags& flags);

// Writes what `request` asks for beside `playlistPath`; the report is not
// opened. Each file that cannot be written is named on `messages` and the
// rest still are. Then the copy: refused, unless forced, when the tracks
// cannot fit the folder's free space. `copyFolder` is the Windows name of
// --copy's folder; `progress` draws a bar on `messages`. With `lines`, every
// file goes through it, said (or, in its dry run, only said). False when
// any failed.
bool WriteOutputs(const OutputRequest& request, Playlist& playlist,
                  const PlanningSettings& planning, std::string_view playlistPath,
                  std::string_view copyFolder, bool progress, std::FILE* messages,
                  FileLines* lines = nullptr);

}  // namespace voltrak::cli
