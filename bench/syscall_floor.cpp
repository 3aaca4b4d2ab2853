#include "bench/syscall_floor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "playlist/m3u_format.h"
#include "playlist/playlist_loader.h"
#include "support/drive_map.h"
#include "support/file_system.h"

namespace voltrak::bench {

TrackFiles TrackFilePaths(std::string_view windowsPlaylistPath) {
  std::string text;
  TrackFiles files;
  if (ReadWholeFile(SystemFileSystem(), windowsPlaylistPath, &text) != 0) return files;
  for (const M3uEntry& entry : ParseM3u(text)) {
    if (auto posix = ToPosixPath(ResolveOpenPath(entry.FilePath, windowsPlaylistPath))) {
      files.Paths.push_back(std::move(*posix));
    }
  }
  std::string list = ToPosixPath(windowsPlaylistPath).value_or("/");
  files.Folder = list.substr(0, std::max<size_t>(list.rfind('/'), 1));
  return files;
}

namespace {

double CpuSeconds() {
  struct timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

double TimeFloor(const TrackFiles& files, double* cpuSeconds, size_t headBytes, unsigned threads) {
  // Which files are below the playlist's folder, and their names from it,
  // is worked out before the clock starts; the folder itself is opened in
  // the loop, as a program written for speed must do too.
  const std::string& folder = files.Folder;
  std::vector<const char*> names;
  names.reserve(files.Paths.size());
  for (const std::string& path : files.Paths) {
    bool below = path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
                 path[folder.size()] == '/';
    names.push_back(below ? path.c_str() + folder.size() + 1 : path.c_str());
  }

  const double cpuStart = CpuSeconds();
  auto start = std::chrono::steady_clock::now();
  std::atomic<unsigned long long> sum{0};
  std::atomic<size_t> next{0};
  const int folderFd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  // Each thread takes the next file nobody has taken, as a pool does.
  auto pass = [&] {
    unsigned long long own = 0;
    unsigned char tail[128];
    std::vector<unsigned char> head(headBytes);
    for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < names.size();) {
      // A whole path ignores the folder's descriptor.
      int fd = openat(folderFd, names[i], O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      struct stat info;
      fstat(fd, &info);
      if (headBytes != 0 && pread(fd, head.data(), headBytes, 0) > 0) own += head[0];
      if (info.st_size >= 128 && pread(fd, tail, 128, info.st_size - 128) == 128) own += tail[0];
      own += static_cast<unsigned long long>(info.st_size);
      close(fd);
    }
    sum += own;
  };
  if (threads <= 1) {
    pass();
  } else {
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(pass);
    for (std::thread& thread : pool) thread.join();
  }
  if (folderFd >= 0) close(folderFd);
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (cpuSeconds != nullptr) *cpuSeconds = CpuSeconds() - cpuStart;
  if (sum == 1) std::puts("");  // the loop's result is used, so it stays
  return took;
}

}  // namespace voltrak::bench
