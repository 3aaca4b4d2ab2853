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

// Writes through this file system, on any thread. A read batch that sees
// the count move lets go of its folders: one of them may have been renamed,
// deleted or put in another's place.
std::atomic<uint64_t> gWrites{0};

// The folders a read batch opens files from, kept open under their POSIX
// paths: opening a file from its folder's descriptor spares the system the
// walk of every folder above it. One per thread, so that a thread reading
// on its own (a watcher) never meets the folders of another's batch, and no
// lock is needed.
//
// A file in none of them is opened from the batch's near folder (the
// playlist's own) when it lies below it: a shuffled list of a large
// collection wanders among more albums than are worth keeping, but its
// files are mostly below the list.
//
// A kept folder is the one its path named when the batch first used it; a
// folder renamed or replaced meanwhile is found again by the next batch,
// or at once when the change went through this file system.
class FolderCache {
 public:
  void Begin(std::string nearFolder) {
    if (depth_++ > 0) return;
    while (nearFolder.size() > 1 && nearFolder.back() == '/') nearFolder.pop_back();
    // Below the root every path is: the near folder would spare nothing.
    if (nearFolder.size() > 1 && nearFolder[0] == '/') near_.Path = std::move(nearFolder);
    // At most half the descriptors the process may have, so that the files
    // themselves and everybody else's still open.
    struct rlimit limit;
    size_t half = kMaxFolders;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
      half = static_cast<size_t>(limit.rlim_cur / 2);
    }
    bound_ = std::min(kMaxFolders, half);
    writes_ = gWrites.load(std::memory_order_acquire);
  }

  void End() {
    if (depth_ > 0 && --depth_ == 0) {
      Clear();
      near_.Path.clear();
    }
  }

  // Opens the absolute `posix` from its folder's kept descriptor, with the
  // same outcome as open() on the whole path. False when it cannot (no
  // batch, a name that is no plain file name, a folder that does not open
  // or has no room): the caller opens the whole path as ever. Otherwise
  // *fd is the descriptor, or -1 with errno set.
  bool OpenAt(const std::string& posix, int flags, int* fd) {
    if (depth_ == 0 || posix.empty() || posix[0] != '/') return false;
    if (uint64_t writes = gWrites.load(std::memory_order_acquire); writes != writes_) {
      Clear();
      writes_ = writes;
    }
    // From the end, a vector at a time: called for every file of a load.
    const size_t slash = static_cast<size_t>(
        static_cast<const char*>(memrchr(posix.data(), '/', posix.size())) - posix.data());
    const std::string_view leaf = std::string_view(posix).substr(slash + 1);
    if (leaf.empty() || leaf == "." || leaf == "..") return false;
    const std::string_view folder(posix.data(), slash == 0 ? 1 : slash);
    const char* name = leaf.data();
    const int folderFd = From(folder, posix, &name);
    if (folderFd < 0) return false;
    *fd = openat(folderFd, name, flags);
    if (*fd < 0 && (errno == EMFILE || errno == ENFILE)) {
      // The kept folders take descriptors that are needed: give them all
      // back and keep none for the rest of the batch.
      GiveUp();
      return false;
    }
    return true;
  }

 private:
  // A handful of albums at a time: a list in album order reads each folder
  // once, and a list that wanders among thousands of folders has no use for
  // them however many are kept, while the search stays cheap.
  static constexpr size_t kMaxFolders = 64;
  static constexpr size_t kNone = SIZE_MAX;

  struct Folder {
    std::string Path;
    Descriptor Fd;
    uint64_t LastUse = 0;
  };

  // The descriptor to open `posix`, in `folder`, from, with *name its name
  // there; -1 when there is none.
  int From(std::string_view folder, const std::string& posix, const char** name) {
    if (last_ != kNone && folders_[last_].Path == folder) return Use(last_);
    const char* below = BelowNear(posix);
    if (below != nullptr && folder != lastMiss_) {
      // Below the near folder, a file in another folder than the one before
      // is opened from there without a search: only a run of files in one
      // folder, as an album's, earns that folder a place.
      lastMiss_.assign(folder);
      if (int fd = NearFd(); fd >= 0) {
        *name = below;
        return fd;
      }
    }
    int fd = Find(folder);
    if (fd < 0) fd = Admit(folder);
    if (fd < 0 && below != nullptr && (fd = NearFd()) >= 0) *name = below;
    return fd;
  }

  // The kept descriptor of `folder`, or -1.
  int Find(std::string_view folder) {
    const uint64_t hash = Hash(folder);
    for (size_t i = 0; i < hashes_.size(); ++i) {
      if (hashes_[i] == hash && folders_[i].Path == folder) return Use(i);
    }
    return -1;
  }

  int Use(size_t i) {
    last_ = i;
    folders_[i].LastUse = ++uses_;
    return folders_[i].Fd.Get();
  }

  // Opens and keeps `folder`; its descriptor, or -1.
  int Admit(std::string_view folder) {
    size_t place = folders_.size();
    if (place >= bound_) {
      // Full: a folder earns a place by being asked for twice in a row, as
      // an album's files are, so that a list in random order costs no more
      // than opening whole paths.
      if (bound_ == 0 || folder != lastMiss_) {
        lastMiss_.assign(folder);
        return -1;
      }
      place = static_cast<size_t>(
          std::min_element(folders_.begin(), folders_.end(),
                           [](const Folder& a, const Folder& b) { return a.LastUse < b.LastUse; }) -
          folders_.begin());
    }
    key_.assign(folder);
    // O_PATH asks for no right to read the folder, only to pass through it,
    // as the walk of the whole path does.
    Descriptor fd(open(key_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
      if (errno == EMFILE || errno == ENFILE) GiveUp();
      return -1;
    }
    lastMiss_.clear();
    if (place == folders_.size()) {
      folders_.emplace_back();
      hashes_.push_back(0);
    }
    folders_[place].Path.swap(key_);
    folders_[place].Fd = std::move(fd);  // closes the folder it replaces
    hashes_[place] = Hash(folder);
    return Use(place);
  }

  static uint64_t Hash(std::string_view key) { return std::hash<std::string_view>()(key); }

  // The part of `posix` below the near folder, never empty nor absolute, or
  // null when it is not below it.
  const char* BelowNear(const std::string& posix) const {
    const std::string& near = near_.Path;
    if (near.empty() || posix.size() <= near.size() + 1 || posix[near.size()] != '/' ||
        posix.compare(0, near.size(), near) != 0) {
      return nullptr;
    }
    size_t from = posix.find_first_not_of('/', near.size());
    return from == std::string::npos ? nullptr : posix.c_str() + from;
  }

  // The near folder's descriptor, opened on first use; -1 when it does not open.
  int NearFd() {
    if (!near_.Fd && !nearFailed_) {
      near_.Fd.Reset(open(near_.Path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
      nearFailed_ = !near_.Fd;
    }
    return near_.Fd.Get();
  }

  void Clear() {
    folders_.clear();
    hashes_.clear();
    near_.Fd.Reset();
    nearFailed_ = false;
    last_ = kNone;
    lastMiss_.clear();
  }

  void GiveUp() {
    Clear();
    bound_ = 0;
    near_.Path.clear();
  }

  int depth_ = 0;
  size_t bound_ = 0;
  uint64_t writes_ = 0;
  uint64_t uses_ = 0;
  std::vector<Folder> folders_;
  std::vector<uint64_t> hashes_;  // of folders_' paths, searched first
  // The folder of the last lookup, so that a run of files in one folder
  // skips the search.
  size_t last_ = kNone;
  std::string key_;  // reused to open a folder by its path
  std::string lastMiss_;
  Folder near_;  // its path stays for the batch, its descriptor as the others'
  bool nearFailed_ = false;
};

thread_local FolderCache tFolders;

// Counts a write when it is done, so that a batch that looks after it
// finds the change made.
struct CountedWrite {
  CountedWrite() = default;
  CountedWrite(const CountedWrite&) = delete;
  CountedWrite& operator=(const CountedWrite&) = delete;
  ~CountedWrite() { gWrites.fetch_add(1, std::memory_order_acq_rel); }
};

// Opens `posix` from its folder's kept descriptor during a read batch, else
// by its whole path.
int OpenFile(const std::string& posix, int flags) {
  int fd = -1;
  if (tFolders.OpenAt(posix, flags, &fd)) return fd;
  return open(posix.c_str(), flags);
}

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

// Opens an existing regular file for reading, retrying with the case
// matched, and takes its size on the way. Opening does not wait, so that a
// FIFO or a device named as a track is refused instead of blocking the load.
// Without `blocking` the descriptor keeps O_NONBLOCK, which a regular file
// ignores; ReadTail, with one read, spares itself the two calls.
Descriptor OpenExisting(CaseMatcher& matcher, std::string& posix, uint32_t* error,
                        uint64_t* size, bool blocking = true) {
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
  Descriptor fd(OpenFile(posix, flags));
  if (!fd && (errno == ENOENT || errno == ENOTDIR)) {
    int first = errno;
    if (matcher.MatchCase(posix)) {
      fd.Reset(OpenFile(posix, flags));
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
  std::unique_ptr<InputFile> Open(std::string_view path, uint32_t* error) override {
    std::string posix;
    if ((*error = Map(path, &posix)) != 0) return nullptr;
    uint64_t size = 0;
    Descriptor fd = OpenExisting(matcher_, posix, error, &size);
    if (!fd) return nullptr;
    posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixInputFile>(std::move(fd), size);
  }

  uint32_t ReadTail(std::string_view path, uint64_t* size, unsigned char* tail, size_t tailSize,
                    size_t* tailRead) override {
    *size = 0;
    *tailRead = 0;
    // Called once for every entry of a list: the name is built where the
    // last one was, without asking for memory.
    thread_local std::string posix;
    uint32_t error = Map(path, &posix);
    if (error != 0) return error;
    Descriptor fd = OpenExisting(matcher_, posix, &error, size, false);
    if (!fd) return error;
    if (tailSize > 0 && *size >= tailSize) {
      const off_t at = static_cast<off_t>(*size - tailSize);
      ssize_t got = pread(fd.Get(), tail, tailSize, at);
      // Should a file system not ignore O_NONBLOCK for a file after all.
      if (got < 0 && errno == EAGAIN && MakeBlocking(fd.Get())) {
        got = pread(fd.Get(), tail, tailSize, at);
      }
      if (got == static_cast<ssize_t>(tailSize)) *tailRead = tailSize;
    }
    return kErrorSuccess;
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

  uint32_t Rename(std::string_view from, std::string_view to) override {
    std::string source, target;
    uint32_t error = Map(from, &source);
    if (error == 0) error = Map(to, &target);
    if (error != 0) return error;
    CountedWrite counted;
    matcher_.MatchCase(source);
    MatchFolderCase(matcher_, target);
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
    uint32_t error = Map(from, &source);
    if (error == 0) error = Map(to, &target);
    if (error != 0) return error;
    CountedWrite counted;
    matcher_.MatchCase(source);
    MatchFolderCase(matcher_, target);
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
    tFolders.Begin(std::move(posix));
  }
  void EndReadBatch() override { tFolders.End(); }

 private:
  CaseMatcher matcher_;
};

}  // namespace

FileSystem& SystemFileSystem() {
  static PosixFileSystem instance;
  return instance;
}

}  // namespace voltrak
