// load_bench [N ...]: loads generated playlists of N entries (10,000 and
// 100,000 by default) and sets the time against a bare loop that makes only
// the per-file system calls (open, size, read the last 128 bytes, close) on
// the same files. Peak memory is that of a child process doing one load.
// Then the HTML report with all five listings of the largest list, against
// the load of the same list, with its peak memory.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/syscall_floor.h"
#include "outputs/html_report.h"
#include "playlist/playlist_loader.h"
#include "support/drive_map.h"
#include "tools/playlist_generator.h"

using namespace voltrak;

namespace {

class QuietHost : public LoadHost {
 public:
  void ListReplaced() override {}
  void SetTitle(std::string_view) override {}
  void ProgressStart(uint32_t) override {}
  void ProgressStep() override {}
  void HandlePendingEvents() override {}
  int ShowMessage(std::string_view, std::string_view, uint32_t, bool) override { return kAnswerOk; }
  void ReportSystemError(uint32_t, unsigned, const char*) override {}
  bool OfferRewrite(std::string_view) override { return false; }
  DuplicateAnswer AskAboutDuplicate(const EntryRef&, const EntryRef&) override {
    return DuplicateAnswer::kKeepBoth;
  }
  void Trace(std::string_view) override {}
};

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double TimeLoad(const std::string& playlistPath, uint32_t* count) {
  Playlist playlist;
  LoadSettings settings;
  settings.CurrentPlaylistPath = playlistPath;
  QuietHost host;
  auto start = std::chrono::steady_clock::now();
  LoadPlaylist(settings, playlist, SystemFileSystem(), host);
  double took = Seconds(start);
  *count = playlist.TrackCount();
  return took;
}

// The child's own high-water mark: VmHWM belongs to the memory image that
// exec made, while ru_maxrss would carry over the parent's from the fork.
long VmHighWaterKilobytes() {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long kilobytes = -1;
  while (std::fgets(line, sizeof line, status)) {
    if (std::sscanf(line, "VmHWM: %ld kB", &kilobytes) == 1) break;
  }
  std::fclose(status);
  return kilobytes;
}

// `mode` is --load-only, or --report-only for a load and the report.
long PeakKilobytesOfChildLoad(const char* self, const std::string& playlistPath,
                              const char* mode = "--load-only") {
  std::string command = std::string(self) + " " + mode + " '" + playlistPath + "'";
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return -1;
  long kilobytes = -1;
  if (std::fscanf(child, "%ld", &kilobytes) != 1) kilobytes = -1;
  return pclose(child) == 0 ? kilobytes : -1;
}

// Keep First over the loaded list with every tenth entry listed again: the
// pass must cost well below the load it ends.
void TimeDuplicatePass(const std::string& playlistPath) {
  uint32_t count = 0;
  double load = TimeLoad(playlistPath, &count);
  Playlist playlist;
  LoadSettings settings;
  settings.CurrentPlaylistPath = playlistPath;
  QuietHost host;
  LoadPlaylist(settings, playlist, SystemFileSystem(), host);
  for (uint32_t i = 0; i < count; i += 10) {
    MP3Information again;
    again.SetTexts(playlist.Tracks[i].ExtendedInfo(), playlist.Tracks[i].FilePath());
    playlist.Tracks.push_back(std::move(again));
  }
  const uint32_t listed = playlist.TrackCount();
  auto start = std::chrono::steady_clock::now();
  RemoveDuplicates(kKeepFirstDuplicates, playlist, "", host);
  double pass = Seconds(start);
  std::printf("Keep First over %u entries (%u removed): %.1f ms; the load of %u: %.1f ms\n", listed,
              listed - playlist.TrackCount(), pass * 1e3, count, load * 1e3);
}

class QuietOutputHost : public OutputHost {
 public:
  void CannotWrite(std::string_view, uint32_t) override {}
  void NoTrackName() override {}
  void WouldReplacePlaylist(std::string_view) override {}
};

// Loads, plans by time onto CD-R and writes the report with all five
// listings beside the playlist; the report's time.
double TimeReport(const std::string& playlistPath) {
  Playlist playlist;
  LoadSettings settings;
  settings.CurrentPlaylistPath = playlistPath;
  QuietHost host;
  LoadPlaylist(settings, playlist, SystemFileSystem(), host);
  ReportSettings report;
  ChooseFillMode(report.Planning, kFillByTime);
  PlanVolumes(report.Planning, playlist, playlistPath);
  for (const ReportListing& listing : kReportListings) report.Options.*listing.Switch = 1;
  QuietOutputHost quiet;
  auto start = std::chrono::steady_clock::now();
  WriteHtmlReport(playlist, report, SystemClock(), {playlistPath, SystemFileSystem(), quiet});
  return Seconds(start);
}

// The report must cost less than the load of the same list.
void CompareReportWithLoad(const char* self, const std::string& playlistPath) {
  uint32_t count = 0;
  double load = 1e9, report = 1e9;
  for (int round = 0; round < 3; ++round) {
    load = std::min(load, TimeLoad(playlistPath, &count));
    report = std::min(report, TimeReport(playlistPath));
  }
  std::printf("Report with five listings of %u entries: %.1f ms; the load: %.1f ms (%.2fx); "
              "peak %.1f MB, the load alone %.1f MB\n",
              count, report * 1e3, load * 1e3, report / load,
              static_cast<double>(PeakKilobytesOfChildLoad(self, playlistPath, "--report-only")) /
                  1024.0,
              static_cast<double>(PeakKilobytesOfChildLoad(self, playlistPath)) / 1024.0);
}

// A generated list of `count` entries, made once; `untimed`, without
// #EXTINF: lines and with files a few KiB longer than the head a length
// is measured from.
std::string Prepare(uint32_t count, bool untimed = false) {
  std::string folder = std::string(untimed ? "/tmp/voltrak-bench-untimed-" : "/tmp/voltrak-bench-") +
                       std::to_string(count);
  std::string windowsFolder = ToWindowsPath(folder);
  std::string playlist = windowsFolder + "\\bench.m3u";
  std::string existing;
  if (ReadWholeFile(SystemFileSystem(), playlist, &existing) == 0) return playlist;
  std::fprintf(stderr, "generating %u entries in %s ...\n", count, folder.c_str());
  SystemFileSystem().CreateFolder(windowsFolder);
  GeneratorOptions options;
  options.Count = count;
  options.PlaylistName = "bench.m3u";
  options.MinBytes = untimed ? 8000 : 600;
  options.MaxBytes = untimed ? 20000 : 3000;
  options.NoInfoPercent = untimed ? 100 : 0;
  options.Paths = GeneratorOptions::PathStyle::kMixed;
  GeneratedPlaylist made = GeneratePlaylist(SystemFileSystem(), windowsFolder, options);
  if (made.Error != 0) {
    std::fprintf(stderr, "could not generate (error %u)\n", made.Error);
    std::exit(1);
  }
  return made.PlaylistPath;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--report-only") == 0) {
    TimeReport(argv[2]);
    std::printf("%ld\n", VmHighWaterKilobytes());
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "--load-only") == 0) {
    uint32_t count = 0;
    TimeLoad(argv[2], &count);
    std::printf("%ld\n", VmHighWaterKilobytes());
    return count > 0 ? 0 : 1;
  }
  std::vector<uint32_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(static_cast<uint32_t>(std::strtoul(argv[i], nullptr, 10)));
  if (sizes.empty()) sizes = {10000, 100000};

  std::printf("%-9s %12s %12s %7s %10s\n", "entries", "load us/ent", "floor us/ent", "ratio",
              "peak MB");
  for (uint32_t size : sizes) {
    std::string playlistPath = Prepare(size);
    bench::TrackFiles files = bench::TrackFilePaths(playlistPath);
    // Warm the cache, then take the best of several alternating runs.
    uint32_t count = 0;
    bench::TimeFloor(files);
    TimeLoad(playlistPath, &count);
    double bestLoad = 1e9, bestFloor = 1e9;
    for (int round = 0; round < 5; ++round) {
      bestFloor = std::min(bestFloor, bench::TimeFloor(files));
      bestLoad = std::min(bestLoad, TimeLoad(playlistPath, &count));
    }
    long peak = PeakKilobytesOfChildLoad(argv[0], playlistPath);
    std::printf("%-9u %12.3f %12.3f %6.2fx %10.1f\n", count, bestLoad * 1e6 / count,
                bestFloor * 1e6 / count, bestLoad / bestFloor, static_cast<double>(peak) / 1024.0);
  }
  // An untimed list, every length measured, against the floor that reads
  // each file's head too.
  {
    std::string playlistPath = Prepare(sizes.back(), true);
    bench::TrackFiles files = bench::TrackFilePaths(playlistPath);
    uint32_t count = 0;
    bench::TimeFloor(files, nullptr, 4096);
    TimeLoad(playlistPath, &count);
    double bestLoad = 1e9, bestFloor = 1e9;
    for (int round = 0; round < 5; ++round) {
      bestFloor = std::min(bestFloor, bench::TimeFloor(files, nullptr, 4096));
      bestLoad = std::min(bestLoad, TimeLoad(playlistPath, &count));
    }
    std::printf("untimed %u: load %.3f us/ent, floor with the head %.3f us/ent, %.2fx\n", count,
                bestLoad * 1e6 / count, bestFloor * 1e6 / count, bestLoad / bestFloor);
  }
  TimeDuplicatePass(Prepare(sizes.back()));
  CompareReportWithLoad(argv[0], Prepare(sizes.back()));
  return 0;
}
