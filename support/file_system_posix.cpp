// The file system on POSIX: Windows paths mapped as Wine maps them, errno
// turned into the Win32 codes the rest of the program speaks.
#include <dirent.h>
#include <fcntl.h>
#include <string.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "support/drive_map.h"
#include "support/file_system.h"
#include "support/folder_cache_posix.h"
#include "support/text_forms.h"
#include "support/unique_handle.h"

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

// Remembers folder listings for matching names spelled in another case, so
// that a long list of names missing from one big folder reads the folder
// once, not once per name. Only consulted after the exact name failed.
class CaseMatcher {
 public:
  // Finds an existing path that matches `path` when case is ignored, one
  // folder at a time, as Wine does for names a playlist spells in another case.
  bool MatchCase(std::string& path) {
    if (path.empty()) return false;
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
          std::string actual;
          if (!Find(matched.empty() ? "." : matched, part, &actual)) return false;
          candidate = matched + actual;
        }
        matched = candidate;
        if (end < path.size()) matched += '/';
      }
      pos = end + 1;
    }
    path = matched;
    return true;
  }

 private:
  struct Listing {
    struct stat folder;
    // A listing read while the folder's times were still within the
    // timestamp granularity of the present can miss a change that leaves
    // them as they were; such a listing is read again rather than trusted.
    bool settled = false;
    std::unordered_map<std::string, std::string> names;  // lower case -> actual
  };

  static constexpr size_t kMaxFolders = 4096;
  static constexpr size_t kMaxNames = 4000000;

  static bool Same(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
  }

  // The actual name in `folder` of the entry `part` names in any case.
  bool Find(const std::string& folder, const std::string& part, std::string* actual) {
    struct stat now;
    if (stat(folder.c_str(), &now) != 0) return false;
    const std::string key = LowerAscii(part);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto found = listings_.find(folder);
      if (found != listings_.end() && found->second.settled && Same(found->second.folder, now)) {
        auto name = found->second.names.find(key);
        if (name == found->second.names.end()) return false;
        *actual = name->second;
        return true;
      }
    }
    Listing listing;
    listing.folder = now;
    struct timespec readAt;
    clock_gettime(CLOCK_REALTIME, &readAt);
    // Two seconds covers the coarsest timestamps a folder may keep (FAT).
    listing.settled = now.st_mtim.tv_sec + 2 < readAt.tv_sec && now.st_ctim.tv_sec + 2 < readAt.tv_sec;
    FolderListing dir(opendir(folder.c_str()));
    if (!dir) return false;
    while (dirent* entry = readdir(dir.Get())) {
      listing.names.emplace(LowerAscii(entry->d_name), entry->d_name);
    }
    auto name = listing.names.find(key);
    const bool result = name != listing.names.end();
    if (result) *actual = name->second;

    std::lock_guard<std::mutex> lock(mutex_);
    auto old = listings_.find(folder);
    if (old != listings_.end()) {
      nameCount_ -= old->second.names.size();
      listings_.erase(old);
    }
    if (listings_.size() >= kMaxFolders || nameCount_ + listing.names.size() > kMaxNames) {
      listings_.clear();  // crude, but a load rarely touches this many folders
      nameCount_ = 0;
    }
    nameCount_ += listing.names.size();
    listings_.emplace(folder, std::move(listing));
    return result;
  }

  std::mutex mutex_;
  std::unordered_map<std::string, Listing> listings_;
  size_t nameCount_ = 0;
};

// The POSIX name of `path`, or an error code when it has none here.
uint32_t Map(std::string_view path, std::string* posix) {
  if (path.size() > kMaxPathLength) return kErrorFilenameTooLong;
  // The system would stop at the NUL and open a shorter name than was asked.
  if (path.find('\0') != std::string_view::npos) return kErrorInvalidName;
  if (!ToPosixPath(path, posix)) {
    return path.size() >= 2 && path[1] == ':' ? kErrorPathNotFound : kErrorBadNetPath;
  }
  if (posix->empty()) return kErrorPathNotFound;
  return kErrorSuccess;
}

// Makes an open descriptor wait on reads and writes again after an open
// that must not.
bool MakeBlocking(int fd) { return fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0; }

// Whether an open descriptor is a regular file, made to wait again unless
// `blocking` is false.
bool RegularAndBlocking(int fd, struct stat* info, bool blocking = true) {
  return fstat(fd, info) == 0 && S_ISREG(info->st_mode) && (!blocking || MakeBlocking(fd));
}

// Opens `posix`: from its folder's kept descriptor during a read batch when
// folders are kept, else by its whole path.
int OpenFile(const std::string& posix, int flags, bool keepFolders) {
  int fd = -1;
  if (keepFolders && FolderCache::ForThisThread().OpenAt(posix, flags, &fd)) return fd;
  return open(posix.c_str(), flags);
}

// Opens an existing regular file for reading, retrying with the case
// matched, and takes its size on the way. Opening does not wait, so that a
// FIFO or a device named as a track is refused instead of blocking the load.
// Without `blocking` the descriptor keeps O_NONBLOCK, which a regular file
// ignores; ReadTail, with one read, spares itself the two calls.
Descriptor OpenExisting(CaseMatcher& matcher, bool keepFolders, std::string& posix,
                        uint32_t* error, uint64_t* size, bool blocking = true) {
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
  Descriptor fd(OpenFile(posix, flags, keepFolders));
  if (!fd && (errno == ENOENT || errno == ENOTDIR)) {
    int first = errno;
    if (matcher.MatchCase(posix)) {
      fd.Reset(OpenFile(posix, flags, keepFolders));
    } else {
      errno = first;
    }
  }
  if (!fd) {
    *error = FromErrno(errno);
    return fd;
  }
  struct stat info;
  if (!RegularAndBlocking(fd.Get(), &info, blocking)) {
    *error = kErrorAccessDenied;  // as Windows answers for a folder opened as a file
    return Descriptor();
  }
  *error = kErrorSuccess;
  *size = static_cast<uint64_t>(info.st_size);
  return fd;
}

// Matches the case of every folder above a file about to be created.
void MatchFolderCase(CaseMatcher& matcher, std::string& posix) {
  size_t slash = posix.rfind('/');
  if (slash == std::string::npos || slash == 0) return;
  std::string folder = posix.substr(0, slash);
  struct stat info;
  if (stat(folder.c_str(), &info) == 0) return;
  if (matcher.MatchCase(folder)) posix = folder + posix.substr(slash);
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
  explicit PosixOutputFile(Descriptor fd) : fd_(std::move(fd)) {}
  ~PosixOutputFile() override { Close(); }

  bool Write(std::string_view bytes) override {
    while (!bytes.empty() && fd_) {
      ssize_t written = write(fd_.Get(), bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        failure_ = FromErrno(errno);
        return false;
      }
      bytes.remove_prefix(static_cast<size_t>(written));
    }
    return static_cast<bool>(fd_);
  }

  uint32_t Close() override {
    if (uint32_t closed = fd_.Close(); closed != 0 && failure_ == 0) {
      failure_ = FromErrno(static_cast<int>(closed));
    }
    return failure_;
  }

 private:
  Descriptor fd_;
  uint32_t failure_ = 0;
};

class PosixInputFile : public InputFile {
 public:
  PosixInputFile(Descriptor fd, uint64_t size) : fd_(std::move(fd)), size_(size) {}
  uint64_t Size() const override { return size_; }
  uint32_t ReadAt(uint64_t offset, char* buffer, size_t capacity, size_t* got) override {
    *got = 0;
    while (*got < capacity) {
      const ssize_t read = pread(fd_.Get(), buffer + *got, capacity - *got,
                                 static_cast<off_t>(offset + *got));
      if (read < 0 && errno == EINTR) continue;
      if (read < 0) return FromErrno(errno);
      if (read == 0) break;
      *got += static_cast<size_t>(read);
    }
    return kErrorSuccess;
  }
  std::optional<FileIdentity> Identity() const override {
    struct stat info;
    if (fstat(fd_.Get(), &info) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  }
  uint32_t Read(char* buffer, size_t capacity, size_t* got) override {
    for (;;) {
      ssize_t read = ::read(fd_.Get(), buffer, capacity);
      if (read < 0 && errno == EINTR) continue;
      *got = read < 0 ? 0 : static_cast<size_t>(read);
      return read < 0 ? FromErrno(errno) : kErrorSuccess;
    }
  }

 private:
  Descriptor fd_;
  uint64_t size_;
};

class PosixFileSystem : public FileSystem {
 public:
  // Without `keepFolders`, the plain twin: no folder is kept between opens.
  explicit PosixFileSystem(bool keepFolders) : keepFolders_(keepFolders) {}

  std::unique_ptr<InputFile> Open(std::string_view path, uint32_t* error) override {
    std::string posix;
    if ((*error = Map(path, &posix)) != 0) return nullptr;
    uint64_t size = 0;
    Descriptor fd = OpenExisting(matcher_, keepFolders_, posix, error, &size);
    if (!fd) return nullptr;
    posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixInputFile>(std::move(fd), size);
  }

  uint32_t ReadTail(std::string_view path, uint64_t* size, unsigned char* tail, size_t tailSize,
                    size_t* tailRead) override {
    *size = 0;
    *tailRead = 0;
    Descriptor fd;
    if (uint32_t error = OpenToRead(path, &fd, size)) return error;
    if (tailSize > 0 && *size >= tailSize &&
        ReadFully(fd.Get(), reinterpret_cast<char*>(tail), tailSize, *size - tailSize) == tailSize) {
      *tailRead = tailSize;
    }
    return kErrorSuccess;
  }

  uint32_t ReadEnds(std::string_view path, uint64_t* size, char* head, size_t headSize,
                    size_t* headRead, char* tail, size_t tailSize, size_t* tailRead) override {
    *size = 0;
    *headRead = *tailRead = 0;
    Descriptor fd;
    if (uint32_t error = OpenToRead(path, &fd, size)) return error;
    *headRead = ReadFully(fd.Get(), head, static_cast<size_t>(std::min<uint64_t>(headSize, *size)), 0);
    const uint64_t tailAt = *size > tailSize ? *size - tailSize : 0;
    *tailRead = ReadFully(fd.Get(), tail, static_cast<size_t>(*size - tailAt), tailAt);
    return kErrorSuccess;
  }

  // Opens an existing regular file for a few reads at places, sized: called
  // once for every entry of a list, so the name is built where the last
  // one was, without asking for memory, and the descriptor is left not to
  // wait, which a regular file ignores.
  uint32_t OpenToRead(std::string_view path, Descriptor* fd, uint64_t* size) {
    thread_local std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    *fd = OpenExisting(matcher_, keepFolders_, posix, &error, size, false);
    return *fd ? kErrorSuccess : error;
  }

  // Up to `count` bytes from `at`, as many as there are; 0 after an error.
  static size_t ReadFully(int fd, char* buffer, size_t count, uint64_t at) {
    size_t done = 0;
    while (done < count) {
      ssize_t got = pread(fd, buffer + done, count - done, static_cast<off_t>(at + done));
      // Should a file system not ignore O_NONBLOCK for a file after all.
      if (got < 0 && errno == EAGAIN && MakeBlocking(fd)) continue;
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return 0;
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
    return done;
  }

  std::unique_ptr<OutputFile> CreateNew(std::string_view path, uint32_t* error) override {
    std::string posix;
    *error = Map(path, &posix);
    if (*error != 0) return nullptr;
    CountedWrite counted;
    MatchFolderCase(matcher_, posix);
    // O_EXCL: a name that is taken, by a link too, is refused, never
    // followed. Not waiting either: nothing here can be a FIFO.
    Descriptor fd(open(posix.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666));
    if (!fd) {
      *error = errno == EEXIST ? kErrorFileExists : FromErrno(errno);
      return nullptr;
    }
    struct stat info;
    if (!RegularAndBlocking(fd.Get(), &info)) {
      *error = kErrorAccessDenied;
      return nullptr;
    }
    return std::make_unique<PosixOutputFile>(std::move(fd));
  }

  // Both names of a move as this system has them: the source as it is
  // found, the target in folders as they are found.
  uint32_t MapMove(std::string_view from, std::string_view to, std::string* source,
                   std::string* target) {
    uint32_t error = Map(from, source);
    if (error == 0) error = Map(to, target);
    if (error != 0) return error;
    matcher_.MatchCase(*source);
    MatchFolderCase(matcher_, *target);
    return kErrorSuccess;
  }

  uint32_t Rename(std::string_view from, std::string_view to) override {
    std::string source, target;
    if (uint32_t error = MapMove(from, to, &source, &target)) return error;
    CountedWrite counted;
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

  uint32_t Replace(std::string_view from, std::string_view to) override {
    std::string source, target;
    if (uint32_t error = MapMove(from, to, &source, &target)) return error;
    CountedWrite counted;
    return ::rename(source.c_str(), target.c_str()) == 0 ? kErrorSuccess : FromErrno(errno);
  }

  uint32_t Delete(std::string_view path) override {
    std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    CountedWrite counted;
    matcher_.MatchCase(posix);
    return unlink(posix.c_str()) == 0 ? kErrorSuccess : FromErrno(errno);
  }

  uint32_t CreateFolder(std::string_view path) override {
    std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    CountedWrite counted;
    MatchFolderCase(matcher_, posix);
    return mkdir(posix.c_str(), 0777) == 0 ? kErrorSuccess : FromErrno(errno);
  }

  uint32_t Identify(std::string_view path, FileIdentity* identity) override {
    std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    struct stat info;
    // Through links, its folders in any case.
    if (stat(posix.c_str(), &info) != 0) {
      if (errno != ENOENT && errno != ENOTDIR) return FromErrno(errno);
      MatchFolderCase(matcher_, posix);
      if (stat(posix.c_str(), &info) != 0) return kErrorFileNotFound;
    }
    identity->Volume = static_cast<uint64_t>(info.st_dev);
    identity->Index = static_cast<uint64_t>(info.st_ino);
    return kErrorSuccess;
  }

  uint32_t GetTimes(std::string_view path, FileTimes* times) override {
    std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    matcher_.MatchCase(posix);
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
    matcher_.MatchCase(posix);
    struct timespec both[2] = {FromFileTime(times.Accessed), FromFileTime(times.Written)};
    return utimensat(AT_FDCWD, posix.c_str(), both, 0) == 0 ? kErrorSuccess : FromErrno(errno);
  }

  void BeginReadBatch(std::string_view nearFolder) override {
    std::string posix;
    if (nearFolder.find('\0') == std::string_view::npos) ToPosixPath(nearFolder, &posix);
    if (keepFolders_) FolderCache::ForThisThread().Begin(std::move(posix));
  }
  void EndReadBatch() override {
    if (keepFolders_) FolderCache::ForThisThread().End();
  }

 private:
  CaseMatcher matcher_;
  const bool keepFolders_;
};

}  // namespace

FileSystem& SystemFileSystem() {
  static PosixFileSystem instance(true);
  return instance;
}

FileSystem& PlainSystemFileSystem() {
  static PosixFileSystem instance(false);
  return instance;
}

}  // namespace voltrak
