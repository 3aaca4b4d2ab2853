#include "bench/syscall_floor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "playlist/m3u_format.h"
#include "playlist/playlist_loader.h"
#include "support/drive_map.h"
#include "support/file_system.h"

namespace voltrak::bench {

std::vector<std::string> TrackFilePaths(std::string_view windowsPlaylistPath) {
  std::string text;
  std::vector<std::string> paths;
  if (SystemFileSystem().ReadAll(windowsPlaylistPath, &text) != 0) return paths;
  for (const M3uEntry& entry : ParseM3u(text)) {
    if (auto posix = ToPosixPath(ResolveOpenPath(entry.FilePath, windowsPlaylistPath))) {
      paths.push_back(std::move(*posix));
    }
  }
  return paths;
}

double TimeFloor(const std::vector<std::string>& paths) {
  auto start = std::chrono::steady_clock::now();
  unsigned long long sum = 0;
  unsigned char tail[128];
  for (const std::string& path : paths) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info;
    fstat(fd, &info);
    if (info.st_size >= 128 && pread(fd, tail, 128, info.st_size - 128) == 128) sum += tail[0];
    sum += static_cast<unsigned long long>(info.st_size);
    close(fd);
  }
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (sum == 1) std::puts("");  // the loop's result is used, so it stays
  return took;
}

}  // namespace voltrak::bench
