// What voltrak-cli warns of: a plan the window would show without a word,
// but that is likely not what the user meant.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"
#include "planning/volume_planner.h"
#include "playlist/track_record.h"
#include "support/file_system.h"

namespace voltrak::cli {

struct Warning {
  const char* Kind;  // for JSON: unread, oversize, overfull, no_capacity, capacity_unit
  std::string Text;  // the message, without the program's name
  bool Said = false;  // the load has said it already (--warn-load-errors)
};

struct PlanCheck {
  std::vector<bool> Oversize;  // by track: larger than one medium
  std::vector<bool> Overfull;  // by volume from 0: holds more than one medium
  std::vector<Warning> Warnings;
};

// Checks the planned list. A track is larger than the medium when what it
// measures is more than the capacity; a volume is fuller than the medium
// when its tracks together are, but a volume of one such track is left to
// that track's warning. A capacity of 0 gives one warning of its own, and
// no track or volume is marked then. For the first track that could not
// be read, the file is asked once more why, through `files`.
PlanCheck CheckPlan(const CliOptions& options, const PlanningSettings& planning,
                    const Playlist& playlist, std::string_view playlistPath, FileSystem& files);

}  // namespace voltrak::cli
