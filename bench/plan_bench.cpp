// Planning time per track in each fill mode. A plan runs after every change
// of a planning control, so it must stay linear in the list's length: the
// large run takes about 4 times the quarter-size run (a little more, as the
// large list no longer fits any cache); a quadratic plan would take 16.
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "planning/volume_planner.h"

namespace {

using voltrak::Playlist;

Playlist SyntheticList(uint32_t count) {
  Playlist list;
  list.Tracks.resize(count);
  uint32_t state = 12345;
  for (voltrak::MP3Information& track : list.Tracks) {
    state = state * 1664525u + 1013904223u;  // varied lengths, no library randomness
    track.PlayLength = 60 + (state >> 8) % 540;
    track.FileSize = track.PlayLength * 16;
    list.TotalSeconds += track.PlayLength;
    list.TotalKB += track.FileSize;
  }
  return list;
}

// Best of a few runs, in seconds.
double TimePlan(const voltrak::PlanningSettings& settings, Playlist& list) {
  double best = 1e30;
  for (int run = 0; run < 5; ++run) {
    auto start = std::chrono::steady_clock::now();
    voltrak::PlanTexts texts = voltrak::PlanVolumes(settings, list, "C:\\bench\\list.m3u");
    auto end = std::chrono::steady_clock::now();
    if (texts.Title.empty()) std::printf("no title\n");  // keeps the call alive
    double seconds = std::chrono::duration<double>(end - start).count();
    if (seconds < best) best = seconds;
  }
  return best;
}

}  // namespace

int main() {
  const uint32_t kLarge = 1000000;
  const uint32_t kSmall = kLarge / 4;
  Playlist large = SyntheticList(kLarge);
  Playlist small = SyntheticList(kSmall);
  int failures = 0;
  for (uint32_t mode = voltrak::kFillNoSplitting; mode <= voltrak::kFillBySize; ++mode) {
    voltrak::PlanningSettings settings;
    voltrak::ChooseFillMode(settings, mode);
    double largeTime = TimePlan(settings, large);
    double smallTime = TimePlan(settings, small);
    double ratio = smallTime > 0 ? largeTime / smallTime : 0;
    std::printf("%-14s %u tracks: %6.2f ns/track, %u tracks: %6.2f ns/track,"
                " time ratio %.2f (4 is linear), %u volumes\n",
                voltrak::kFillModeNames[mode], kLarge, largeTime * 1e9 / kLarge, kSmall,
                smallTime * 1e9 / kSmall, ratio, large.Tracks.back().Volume + 1);
    // Linear means about 4; allow plenty for memory effects and a busy machine.
    if (ratio > 10.0) {
      std::printf("  not linear\n");
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
