// load_bench [N ...]: loads generated playlists of N entries (10,000 and
// 100,000 by default) and sets the time against a bare loop that makes only
// the per-file system calls (open, size, read the last 128 bytes, close) on
// the same files. Peak memory is that of a child process doing one load.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/syscall_floor.h"
#include "playlist/playlist_loader.h"
#include "support/drive_map.h"
#include "tools/playlist_generator.h"

using namespace voltrak;

namespace {

class QuietHost : public LoadHost {
 public:
  void EnableFileCommands(bool) override {}
  void SetTitle(std::string_view) override {}
  void ProgressStart(uint32_t) override {}
  void ProgressStep() override {}
  void HandlePendingEvents() override {}
  int ShowMessage(std::string_view, std::string_view, uint32_t, bool) override { return kAnswerOk; }
  void StopWatcher() override {}
  void StartWatcher() override {}
  void PlanVolumes() override {}
  void StoreLastFile(std::string_view) override {}
  void RunCommand(uint32_t) override {}
  void ReportSystemError(uint32_t, unsigned, const char*) override {}
  bool OfferRewrite(std::string_view) override { return false; }
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

long PeakKilobytesOfChildLoad(const char* self, const std::string& playlistPath) {
  std::string command = std::string(self) + " --load-only '" + playlistPath + "'";
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return -1;
  long kilobytes = -1;
  if (std::fscanf(child, "%ld", &kilobytes) != 1) kilobytes = -1;
  return pclose(child) == 0 ? kilobytes : -1;
}

std::string Prepare(uint32_t count) {
  std::string folder = "/tmp/voltrak-bench-" + std::to_string(count);
  std::string windowsFolder = ToWindowsPath(folder);
  std::string playlist = windowsFolder + "\\bench.m3u";
  std::string existing;
  if (SystemFileSystem().ReadAll(playlist, &existing) == 0) return playlist;
  std::fprintf(stderr, "generating %u entries in %s ...\n", count, folder.c_str());
  SystemFileSystem().CreateFolder(windowsFolder);
  GeneratorOptions options;
  options.Count = count;
  options.PlaylistName = "bench.m3u";
  options.MinBytes = 600;
  options.MaxBytes = 3000;
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
    std::vector<std::string> paths = bench::TrackFilePaths(playlistPath);
    // Warm the cache, then take the best of several alternating runs.
    uint32_t count = 0;
    bench::TimeFloor(paths);
    TimeLoad(playlistPath, &count);
    double bestLoad = 1e9, bestFloor = 1e9;
    for (int round = 0; round < 5; ++round) {
      bestFloor = std::min(bestFloor, bench::TimeFloor(paths));
      bestLoad = std::min(bestLoad, TimeLoad(playlistPath, &count));
    }
    long peak = PeakKilobytesOfChildLoad(argv[0], playlistPath);
    std::printf("%-9u %12.3f %12.3f %6.2fx %10.1f\n", count, bestLoad * 1e6 / count,
                bestFloor * 1e6 / count, bestLoad / bestFloor, static_cast<double>(peak) / 1024.0);
  }
  return 0;
}
