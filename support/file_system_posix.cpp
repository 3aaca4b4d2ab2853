// The file system on POSIX: Windows paths mapped as Wine maps them, errno
// turned into the Win32 codes the rest of the program speaks.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "support/drive_map.h"
#include "support/file_system.h"

namespace voltrak {
namespace {

uint32_t FromErrno(int error) {
  switch (error) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES: case EPERM: case EISDIR: case EROFS: return kErrorAccessDenied;
    case EMFILE: case ENFILE: return kErrorTooManyOpenFiles;
    case ENOMEM: return kErrorNotEnoughMemory;
    case ENOSPC: case EDQUOT: return kErrorDiskFull;
    case EEXIST: return kErrorAlreadyExists;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case EINVAL: return kErrorInvalidParameter;
    case EIO: return kErrorReadFault;
    default: return 31;  // ERROR_GEN_FAILURE
  }
}

// Finds an existing path that matches `path` when case is ignored, one folder
// at a time, as Wine does for names a playlist spells in another case. Only
// tried after the exact name failed, so the common case costs nothing.
bool MatchCase(std::string& path) {
  std::string matched = path[0] == '/' ? "/" : "";
  size_t pos = path[0] == '/' ? 1 : 0;
  while (pos <= path.size()) {
    size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(pos, end - pos);
    if (!part.empty()) {
      std::string candidate = matched + part;
      struct stat info;
      if (lstat(candidate.c_str(), &info) != 0) {
        DIR* dir = opendir(matched.empty() ? "." : matched.c_str());
        if (dir == nullptr) return false;
        bool found = false;
        while (dirent* entry = readdir(dir)) {
          if (strcasecmp(entry->d_name, part.c_str()) == 0) {
            candidate = matched + entry->d_name;
            found = true;
            break;
          }
        }
        closedir(dir);
        if (!found) return false;
      }
      matched = candidate;
      if (end < path.size()) matched += '/';
    }
    pos = end + 1;
  }
  path = matched;
  return true;
}

// The POSIX name of `path`, or an error code when it has none here.
uint32_t Map(std::string_view path, std::string* posix) {
  if (path.size() > kMaxPathLength) return kErrorFilenameTooLong;
  std::optional<std::string> mapped = ToPosixPath(path);
  if (!mapped) return path.size() >= 2 && path[1] == ':' ? kErrorPathNotFound : kErrorBadNetPath;
  if (mapped->empty()) return kErrorPathNotFound;
  *posix = std::move(*mapped);
  return kErrorSuccess;
}

// Opens an existing file for reading, retrying with the case matched, and
// takes its size on the way.
int OpenExisting(std::string& posix, uint32_t* error, uint64_t* size) {
  int fd = open(posix.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
    int first = errno;
    if (MatchCase(posix)) {
      fd = open(posix.c_str(), O_RDONLY | O_CLOEXEC);
    } else {
      errno = first;
    }
  }
  if (fd < 0) {
    *error = FromErrno(errno);
    return -1;
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    *error = kErrorAccessDenied;  // Windows will not open a folder as a file
    close(fd);
    return -1;
  }
  *error = kErrorSuccess;
  *size = static_cast<uint64_t>(info.st_size);
  return fd;
}

// Matches the case of every folder above a file about to be created.
void MatchFolderCase(std::string& posix) {
  size_t slash = posix.rfind('/');
  if (slash == std::string::npos || slash == 0) return;
  std::string folder = posix.substr(0, slash);
  struct stat info;
  if (stat(folder.c_str(), &info) == 0) return;
  if (MatchCase(folder)) posix = folder + posix.substr(slash);
}

uint64_t ToFileTime(const struct timespec& t) {
  return (static_cast<uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
         static_cast<uint64_t>(t.tv_nsec) / 100;
}

struct timespec FromFileTime(uint64_t t) {
  struct timespec result;
  uint64_t seconds = t / 10000000ull;
  result.tv_sec = static_cast<time_t>(seconds >= 11644473600ull ? seconds - 11644473600ull : 0);
  result.tv_nsec = static_cast<long>((t % 10000000ull) * 100);
  return result;
}

class PosixOutputFile : public OutputFile {
 public:
  explicit PosixOutputFile(int fd) : fd_(fd) {}
  ~PosixOutputFile() override { Close(); }

  bool Write(std::string_view bytes) override {
    while (!bytes.empty() && fd_ >= 0) {
      ssize_t written = write(fd_, bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        failure_ = FromErrno(errno);
        return false;
      }
      bytes.remove_prefix(static_cast<size_t>(written));
    }
    return fd_ >= 0;
  }

  uint32_t Close() override {
    if (fd_ >= 0) {
      if (close(fd_) != 0 && failure_ == 0) failure_ = FromErrno(errno);
      fd_ = -1;
    }
    return failure_;
  }

 private:
  int fd_;
  uint32_t failure_ = 0;
};

class PosixFileSystem : public FileSystem {
 public:
  uint32_t ReadTail(std::string_view path, uint64_t* size, unsigned char* tail, size_t tailSize,
                    size_t* tailRead) override {
    *size = 0;
    *tailRead = 0;
    std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    int fd = OpenExisting(posix, &error, size);
    if (fd < 0) return error;
    if (tailSize > 0 && *size >= tailSize) {
      ssize_t got = pread(fd, tail, tailSize, static_cast<off_t>(*size - tailSize));
      if (got == static_cast<ssize_t>(tailSize)) *tailRead = tailSize;
    }
    close(fd);
    return kErrorSuccess;
  }

  uint32_t ReadAll(std::string_view path, std::string* contents) override {
    contents->clear();
    std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    uint64_t size = 0;
    int fd = OpenExisting(posix, &error, &size);
    if (fd < 0) return error;
    try {
      contents->resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
      close(fd);
      return kErrorNotEnoughMemory;
    }
    size_t done = 0;
    while (done < contents->size()) {
      ssize_t got = read(fd, contents->data() + done, contents->size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<size_t>(got);
    }
    contents->resize(done);  // a file that shrank while being read
    close(fd);
    return kErrorSuccess;
  }

  std::unique_ptr<OutputFile> Create(std::string_view path, uint32_t* error) override {
    std::string posix;
    *error = Map(path, &posix);
    if (*error != 0) return nullptr;
    MatchFolderCase(posix);
    int fd = open(posix.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      *error = FromErrno(errno);
      return nullptr;
    }
    return std::make_unique<PosixOutputFile>(fd);
  }

  uint32_t Rename(std::string_view from, std::string_view to) override {
    std::string source, target;
    uint32_t error = Map(from, &source);
    if (error == 0) error = Map(to, &target);
    if (error != 0) return error;
    MatchCase(source);
    MatchFolderCase(target);
    // Windows refuses to move onto an existing file; link() refuses the same
    // way, atomically, where hard links exist.
    if (link(source.c_str(), target.c_str()) == 0) {
      unlink(source.c_str());
      return kErrorSuccess;
    }
    if (errno == EEXIST) return kErrorAlreadyExists;
    struct stat info;
    if (lstat(target.c_str(), &info) == 0) return kErrorAlreadyExists;
    if (::rename(source.c_str(), target.c_str()) != 0) return FromErrno(errno);
    return kErrorSuccess;
  }

  uint32_t Delete(std::string_view path) override {
    std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    MatchCase(posix);
    return unlink(posix.c_str()) == 0 ? kErrorSuccess : FromErrno(errno);
  }

  uint32_t CreateFolder(std::string_view path) override {
    std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    MatchFolderCase(posix);
    return mkdir(posix.c_str(), 0777) == 0 ? kErrorSuccess : FromErrno(errno);
  }

  uint32_t GetTimes(std::string_view path, FileTimes* times) override {
    std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    MatchCase(posix);
    struct stat info;
    if (stat(posix.c_str(), &info) != 0) return FromErrno(errno);
    times->Accessed = ToFileTime(info.st_atim);
    times->Written = ToFileTime(info.st_mtim);
    // No creation time here; Wine reports the change time in its place.
    times->Created = ToFileTime(info.st_ctim);
    return kErrorSuccess;
  }

  uint32_t SetTimes(std::string_view path, const FileTimes& times) override {
    std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    MatchCase(posix);
    struct timespec both[2] = {FromFileTime(times.Accessed), FromFileTime(times.Written)};
    return utimensat(AT_FDCWD, posix.c_str(), both, 0) == 0 ? kErrorSuccess : FromErrno(errno);
  }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static PosixFileSystem instance;
  return instance;
}

}  // namespace voltrak
