#include "cli/plan_check.h"

#include <cstdint>

#include "cli/cli_host.h"
#include "cli/cli_output.h"
#include "planning/capacity_expression.h"
#include "playlist/playlist_loader.h"
#include "support/text_forms.h"

namespace voltrak::cli {
namespace {

// An amount of what the plan measures, as the read-outs show it.
std::string Amount(uint64_t value, FillBy mode) {
  if (mode == kFillBySize) return std::to_string(value) + " KB";
  return HoursMinutesSeconds(value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value), false);
}

// "N of M tracks could not be read; first: PATH: why", when any could not.
void CheckUnread(const CliOptions& options, const Playlist& playlist,
                 std::string_view playlistPath, FileSystem& files, PlanCheck& check) {
  uint32_t unread = 0;
  const MP3Information* first = nullptr;
  for (const MP3Information& track : playlist.Tracks) {
    if (track.Loaded) continue;
    if (unread++ == 0) first = &track;
  }
  if (first == nullptr) return;
  const std::string path = ResolveOpenPath(PathText(*first), playlistPath);
  uint64_t size = 0;
  size_t tailRead = 0;
  const uint32_t error = files.ReadTail(path, &size, nullptr, 0, &tailRead);
  std::string text = Decimal(unread) + " of " + Decimal(playlist.TrackCount()) +
                     " tracks could not be read; first: " + UserNameOf(path);
  if (error != kErrorSuccess) text += ": " + FailureReason(error, path);
  // With --warn-load-errors the load has named each one and counted them.
  check.Warnings.push_back({"unread", text, options.WarnLoadErrors});
}

// A --capacity or --reserve that multiplies by 1024 where the plan counts
// seconds: "10m" is 2912 hours, not ten minutes.
void CheckUnits(const CliOptions& options, const PlanningSettings& planning, PlanCheck& check) {
  if (planning.FillMode != kFillByTime) return;
  for (const auto& [option, texts] : {std::pair{"--capacity=", &options.Capacities},
                                      std::pair{"--reserve=", &options.Reserves}}) {
    for (const std::string& text : *texts) {
      const CapacityReading reading = ReadCapacity(text.substr(0, kMaxCapacityTextLength));
      if (!reading.Scaled) continue;
      check.Warnings.push_back(
          {"capacity_unit", option + text + " is " + Decimal(reading.Value) + " seconds (" +
                                HoursMinutesSeconds(reading.Value, false) +
                                ") in a time plan, as k, m, g and t multiply by 1024; write a "
                                "length as 10:00, or give the capacity with --time"});
    }
  }
}

}  // namespace

PlanCheck CheckPlan(const CliOptions& options, const PlanningSettings& planning,
                    const Playlist& playlist, std::string_view playlistPath, FileSystem& files) {
  PlanCheck check;
  const std::vector<VolumeSummary> volumes = SummarizeVolumes(playlist);
  check.Oversize.assign(playlist.Tracks.size(), false);
  check.Overfull.assign(volumes.size(), false);
  CheckUnread(options, playlist, playlistPath, files, check);
  CheckUnits(options, planning, check);
  const FillBy mode = planning.FillMode;
  if (mode == kFillNoSplitting) return check;
  const uint32_t capacity = CapacityOf(planning);
  if (capacity == 0) {
    check.Warnings.push_back(
        {"no_capacity", mode == kFillByTime
                            ? "the capacity is 0 seconds, so every track takes a volume of its "
                              "own; choose a medium that holds time, or give --time"
                            : "the capacity is 0 KB, so every track takes a volume of its own; "
                              "choose a medium that holds a size, or give --size"});
    return check;
  }
  const std::string medium = Amount(capacity, mode);
  std::vector<uint64_t> filled(volumes.size(), 0);
  for (size_t i = 0; i < playlist.Tracks.size(); ++i) {
    const MP3Information& track = playlist.Tracks[i];
    const uint32_t measure = MeasureOf(track, mode);
    if (track.Volume < filled.size()) filled[track.Volume] += measure;
    if (measure <= capacity) continue;
    check.Oversize[i] = true;
    check.Warnings.push_back({"oversize", "track " + Decimal(static_cast<uint32_t>(i + 1)) +
                                              " (" + std::string(ShownName(track)) + ") takes " +
                                              Amount(measure, mode) +
                                              ", more than the medium holds (" + medium + ")"});
  }
  for (uint32_t v = 0; v < filled.size(); ++v) {
    if (filled[v] <= capacity) continue;
    check.Overfull[v] = true;
    if (volumes[v].Tracks < 2) continue;  // its one track is named already
    const char* why = planning.MaximumVolumes != 0 && v == planning.MaximumVolumes
                          ? " (--max-volumes puts the rest of the list into it)"
                      : planning.ReservedSplit && v == 1
                          ? " (--reserved-split puts the rest of the list into it)"
                          : "";
    check.Warnings.push_back({"overfull", "volume " + Decimal(v + 1) + " holds " +
                                              Amount(filled[v], mode) +
                                              ", more than the medium holds (" + medium + ")" +
                                              why});
  }
  return check;
}

}  // namespace voltrak::cli
