#include "bench/syscall_floor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <unordered_map>

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

namespace {

// A track file as the floor opens it: the number of its folder and its name there.
struct FloorFile {
  size_t Folder;
  const char* Leaf;
};

}  // namespace

namespace {

double CpuSeconds() {
  struct timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

double TimeFloor(const std::vector<std::string>& paths, double* cpuSeconds) {
  // Which folder each file is in is worked out before the clock starts; the
  // folders themselves are opened in the loop, each once, the first time a
  // file in it comes up, and closed at its end, as a program written for
  // speed must do too.
  std::vector<std::string> folders;
  std::vector<FloorFile> files;
  std::unordered_map<std::string, size_t> numbers;
  files.reserve(paths.size());
  for (const std::string& path : paths) {
    size_t slash = path.rfind('/');
    std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    auto [found, added] = numbers.emplace(folder, folders.size());
    if (added) folders.push_back(folder);
    files.push_back({found->second, path.c_str() + slash + 1});
  }
  std::vector<int> folderFds(folders.size(), -1);

  const double cpuStart = CpuSeconds();
  auto start = std::chrono::steady_clock::now();
  unsigned long long sum = 0;
  unsigned char tail[128];
  for (const FloorFile& file : files) {
    int& folderFd = folderFds[file.Folder];
    if (folderFd < 0) {
      folderFd = open(folders[file.Folder].c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (folderFd < 0) continue;
    }
    int fd = openat(folderFd, file.Leaf, O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info;
    fstat(fd, &info);
    if (info.st_size >= 128 && pread(fd, tail, 128, info.st_size - 128) == 128) sum += tail[0];
    sum += static_cast<unsigned long long>(info.st_size);
    close(fd);
  }
  for (int fd : folderFds) {
    if (fd >= 0) close(fd);
  }
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (cpuSeconds != nullptr) *cpuSeconds = CpuSeconds() - cpuStart;
  if (sum == 1) std::puts("");  // the loop's result is used, so it stays
  return took;
}

}  // namespace voltrak::bench
