// voltrak-cli's option parser on any argument vector (the input split at NUL
// bytes): it never crashes, a usage error says what was wrong, and a parse
// that succeeds holds only values the program can act on, which then plan a
// small list.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"
#include "fuzz/fuzz_support.h"
#include "planning/capacity_expression.h"
#include "planning/media_table.h"

using voltrak::cli::CliAction;
using voltrak::cli::CliOptions;

namespace {

bool IsFlag(int value) { return value == 0 || value == 1; }

void CheckOptions(const CliOptions& options, const std::vector<std::string>& args,
                  bool drivesAllowed) {
  CHECK(!options.Playlist.empty());
  CHECK(std::find(args.begin(), args.end(), options.Playlist) != args.end());
  CHECK(options.PathMode <= voltrak::kAbsolutePaths);
  CHECK(options.DuplicateMode <= voltrak::kKeepLastDuplicates);
  CHECK(options.FillMode <= voltrak::kFillBySize);
  CHECK(options.MediumRow < voltrak::kMediumCount);
  CHECK(!options.Capacity || options.Capacity->Mode == options.FillMode);
  CHECK(drivesAllowed || options.Drives.empty());
  for (const voltrak::cli::DriveMapping& drive : options.Drives) {
    CHECK(drive.Letter >= 'A' && drive.Letter <= 'Z' && !drive.Folder.empty());
  }
  for (const std::vector<std::string>* texts : {&options.Capacities, &options.Reserves}) {
    for (const std::string& text : *texts) {
      CHECK(std::string_view(text).substr(0, voltrak::kMaxCapacityTextLength)
                .find_first_of("0123456789") != std::string_view::npos);
    }
  }
  CHECK(!options.Outputs.CopyTo || !options.Outputs.CopyTo->empty());
  const voltrak::OptionFlags& copy = options.Outputs.Copy;
  const voltrak::OptionFlags& listings = options.Outputs.Listings;
  CHECK(IsFlag(copy.CopyNameByInfo) && IsFlag(copy.CopyStripNumbers));
  CHECK(IsFlag(listings.ReportByTitle) && IsFlag(listings.ReportTrackListing) &&
        IsFlag(listings.ReportByArtist) && IsFlag(listings.ReportByAlbum) &&
        IsFlag(listings.ReportByPath));
}

// The settings the options make plan a small list as the window would.
void CheckPlan(const CliOptions& options) {
  const voltrak::PlanningSettings settings = voltrak::cli::PlanningSettingsFor(options);
  CHECK(settings.FillMode == options.FillMode);
  CHECK(settings.MaximumVolumes == options.MaximumVolumes);
  voltrak::Playlist playlist;
  for (uint32_t seconds : {0u, 300u, 4000u, 90000u}) {
    playlist.Tracks.emplace_back().PlayLength = seconds;
    playlist.Tracks.back().FileSize = seconds * 16;
  }
  voltrak::PlanVolumes(settings, playlist, "C:\\l\\x.m3u");
  for (size_t i = 1; i < playlist.Tracks.size(); ++i) {
    CHECK(playlist.Tracks[i].Volume >= playlist.Tracks[i - 1].Volume);
  }
  if (settings.MaximumVolumes != 0) CHECK(playlist.Tracks.back().Volume <= settings.MaximumVolumes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (!rest.empty()) {
    size_t nul = rest.find('\0');
    args.emplace_back(rest.substr(0, nul));
    rest.remove_prefix(nul == std::string_view::npos ? rest.size() : nul + 1);
  }
  for (bool drivesAllowed : {false, true}) {
    const voltrak::cli::CommandLine line = voltrak::cli::ParseCommandLine(args, drivesAllowed);
    CHECK((line.Action == CliAction::kUsageError) == !line.Error.empty());
    if (line.Action != CliAction::kRun) continue;
    CheckOptions(line.Options, args, drivesAllowed);
    CheckPlan(line.Options);
  }
  return 0;
}
