// What voltrak-cli is asked to do, read from its arguments in GNU long style.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "planning/volume_planner.h"
#include "cli/cli_outputs.h"
#include "outputs/clipboard_text.h"
#include "playlist/playlist_loader.h"

namespace voltrak::cli {

enum class OutputForm { kPlan, kList, kJson, kText };

// --fill's words, by FillMode.
inline constexpr std::array<const char*, 3> kFillWords = {"none", "time", "size"};
enum class ProgressChoice { kAuto, kOn, kOff };

// --drive=X=DIR: drive letter X stands for folder DIR.
struct DriveMapping {
  char Letter = 'Z';
  std::string Folder;
};

struct CliOptions {
  std::string Playlist;  // as given on the command line
  std::optional<std::string> Name;  // --name: what a list on standard input goes by
  PathRepair PathMode = kIgnorePaths;
  bool WarnLoadErrors = false;
  DuplicateHandling DuplicateMode = kKeepAllDuplicates;
  bool Rewrite = false;  // answer Yes to the rewrite question
  std::vector<DriveMapping> Drives;
  FillBy FillMode = kFillByTime;  // how many CDs is the usual question
  bool FillGiven = false;         // --fill was given
  size_t MediumRow = 0;
  // --size or --time: the fill mode it sets, and the capacity in KB or
  // seconds, which takes the medium's place.
  struct Measured {
    FillBy Mode;
    uint32_t Value;
  };
  std::optional<Measured> Capacity;
  // Typed into "Medium:" and "Reserve 1st:", in the order given.
  std::vector<std::string> Capacities;
  std::vector<std::string> Reserves;
  bool ReservedSplit = false;
  uint32_t MaximumVolumes = 0;
  OutputForm Output = OutputForm::kPlan;
  ListTextShape TextShape = ListTextShape::kNumbered;  // --text
  OutputRequest Outputs;  // files to write after the plan
  bool MeasureUntimed = true;  // --measure / --no-measure
  bool ReadId3v2 = true;       // --id3v2 / --no-id3v2
  ProgressChoice Progress = ProgressChoice::kAuto;
  bool Quiet = false;    // no warnings (and no progress bar)
  bool Strict = false;   // a warning stops the run after the plan, with exit 1
  bool DryRun = false;   // say each file that would be written, and write none
  bool Verbose = false;  // say each file written
};

enum class CliAction { kRun, kHelp, kVersion, kUsageError };

struct CommandLine {
  CliAction Action = CliAction::kRun;
  CliOptions Options;
  std::string Error;  // for a usage error: what was wrong, naming the option or value
};

// Reads the arguments after the program's name. `drivesAllowed` is false on
// Windows, where the system owns the drive letters. It runs getopt_long,
// whose place is the process's own: one parse at a time.
CommandLine ParseCommandLine(const std::vector<std::string>& args, bool drivesAllowed);

// A row of the media table by its index ("0" to "16"), its caption or its
// list text ("CDR (80mins,700mb)"), ASCII letters in any case; or none.
std::optional<size_t> FindMedium(std::string_view text);

// Every row of the media table, one line each: its number and list text.
std::string MediaListing();

// The planning settings as a user would set them in the window: fill mode,
// then medium (or --size or --time in its place), then each capacity and
// reserve typed and left, then the rest. A capacity or reserve text whose
// value the window would wrap past 32 bits is named in `refused` (a usage
// error), when given.
PlanningSettings PlanningSettingsFor(const CliOptions& options, std::string* refused = nullptr);

// The --help text.
std::string UsageText();

}  // namespace voltrak::cli
