// cli_floor PLAYLIST [ROUNDS] [THREADS]: the least time any program needs
// for the track files of a playlist: open relative to the playlist's
// folder, size, read the last 128 bytes, close, nothing else, on one thread
// or spread over THREADS. Prints the best of ROUNDS (5) in seconds, the
// number of files, and the best processor time in seconds.
// The paths are worked out before the clock starts.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/syscall_floor.h"
#include "support/drive_map.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: cli_floor PLAYLIST [ROUNDS] [THREADS]\n", stderr);
    return 2;
  }
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const unsigned threads = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1;
  voltrak::bench::TrackFiles files = voltrak::bench::TrackFilePaths(voltrak::ToWindowsPath(argv[1]));
  if (files.Paths.empty()) {
    std::fprintf(stderr, "cli_floor: cannot read %s\n", argv[1]);
    return 1;
  }
  double best = 1e9, bestCpu = 1e9;
  for (int round = 0; round < std::max(rounds, 1); ++round) {
    double cpu = 0;
    best = std::min(best, voltrak::bench::TimeFloor(files, &cpu, 0, threads));
    bestCpu = std::min(bestCpu, cpu);
  }
  std::printf("%.6f %zu %.6f\n", best, files.Paths.size(), bestCpu);
  return 0;
}
