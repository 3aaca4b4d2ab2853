#include "support/folder_cache_posix.h"

#include <fcntl.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <vector>

#include "support/unique_handle.h"

namespace voltrak {
namespace {

// Writes through the file system, on any thread. A read batch that sees the
// count move lets go of its folders: one of them may have been renamed,
// deleted or put in another's place.
std::atomic<uint64_t> gWrites{0};

// Folders kept open by the caches of every thread together (a load reads
// on several), and how many they may keep: half the descriptors the
// process may have, so that the files themselves and everybody else's
// still open.
std::atomic<size_t> gKept{0};

size_t SharedBound() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    return static_cast<size_t>(limit.rlim_cur / 2);
  }
  return SIZE_MAX;
}

// Takes one of the `bound` shared places for a kept folder; false when
// none is left.
bool ReservePlace(size_t bound) {
  if (gKept.fetch_add(1, std::memory_order_relaxed) < bound) return true;
  gKept.fetch_sub(1, std::memory_order_relaxed);
  return false;
}

}  // namespace

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
class FolderCache::Impl {
 public:
  void Begin(std::string nearFolder) {
    if (depth_++ > 0) return;
    while (nearFolder.size() > 1 && nearFolder.back() == '/') nearFolder.pop_back();
    // Below the root every path is: the near folder would spare nothing.
    if (nearFolder.size() > 1 && nearFolder[0] == '/') near_.Path = std::move(nearFolder);
    bound_ = kMaxFolders;
    shared_ = SharedBound();
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
    const bool room = place < bound_ && ReservePlace(shared_);
    if (!room) {
      // Full: a folder earns a place by being asked for twice in a row, as
      // an album's files are, so that a list in random order costs no more
      // than opening whole paths.
      if (folders_.empty() || folder != lastMiss_) {
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
      if (room) gKept.fetch_sub(1, std::memory_order_relaxed);
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
      nearFailed_ = !ReservePlace(shared_);
      if (!nearFailed_) {
        near_.Fd.Reset(open(near_.Path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        nearFailed_ = !near_.Fd;
        if (nearFailed_) gKept.fetch_sub(1, std::memory_order_relaxed);
      }
    }
    return near_.Fd.Get();
  }

  void Clear() {
    gKept.fetch_sub(folders_.size() + (near_.Fd ? 1 : 0), std::memory_order_relaxed);
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
  size_t shared_ = 0;  // SharedBound() when the batch began
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

FolderCache& FolderCache::ForThisThread() {
  // One per thread, so that a thread reading on its own (a watcher) never
  // meets the folders of another's batch, and no lock is needed.
  thread_local FolderCache cache;
  return cache;
}

FolderCache::FolderCache() : impl_(std::make_unique<Impl>()) {}
FolderCache::~FolderCache() = default;
void FolderCache::Begin(std::string nearFolder) { impl_->Begin(std::move(nearFolder)); }
void FolderCache::End() { impl_->End(); }
bool FolderCache::OpenAt(const std::string& posix, int flags, int* fd) {
  return impl_->OpenAt(posix, flags, fd);
}

void FolderCache::CountWrite() { gWrites.fetch_add(1, std::memory_order_acq_rel); }

}  // namespace voltrak
