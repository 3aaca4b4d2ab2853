// cli_floor PLAYLIST [ROUNDS]: the least time any program needs for the
// track files of a playlist: open, size, read the last 128 bytes, close,
// nothing else. Prints the best of ROUNDS (5) in seconds. The paths are
// worked out before the clock starts.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "playlist/m3u_format.h"
#include "playlist/playlist_loader.h"
#include "support/drive_map.h"
#include "support/file_system.h"

using namespace voltrak;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: cli_floor PLAYLIST [ROUNDS]\n", stderr);
    return 2;
  }
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  std::string playlist = ToWindowsPath(argv[1]);
  std::string text;
  if (SystemFileSystem().ReadAll(playlist, &text) != 0) {
    std::fprintf(stderr, "cli_floor: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<std::string> paths;
  for (const M3uEntry& entry : ParseM3u(text)) {
    if (auto posix = ToPosixPath(ResolveOpenPath(entry.FilePath, playlist))) {
      paths.push_back(std::move(*posix));
    }
  }
  double best = 1e9;
  unsigned long long sum = 0;
  unsigned char tail[128];
  for (int round = 0; round < std::max(rounds, 1); ++round) {
    auto start = std::chrono::steady_clock::now();
    for (const std::string& path : paths) {
      int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      struct stat info;
      fstat(fd, &info);
      if (info.st_size >= 128 && pread(fd, tail, 128, info.st_size - 128) == 128) sum += tail[0];
      sum += static_cast<unsigned long long>(info.st_size);
      close(fd);
    }
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                              .count());
  }
  std::printf("%.6f %zu %llu\n", best, paths.size(), sum);
  return 0;
}
