// Speed for a load on POSIX, fenced off from the file system's rules: the
// folders a read batch opens files from, kept open, so that opening a file
// from its folder's descriptor spares the system the walk of every folder
// above it. The file system runs without it too (PlainSystemFileSystem);
// the tests load the same lists both ways and compare every record.
#pragma once

#include <memory>
#include <string>

namespace voltrak {

class FolderCache {
 public:
  // The calling thread's cache.
  static FolderCache& ForThisThread();
  // Any write through the file system, on any thread: kept folders may
  // have been renamed, deleted or put in another's place.
  static void CountWrite();

  FolderCache();
  ~FolderCache();
  FolderCache(const FolderCache&) = delete;
  FolderCache& operator=(const FolderCache&) = delete;

  // A read batch begins (they nest) and ends; `nearFolder` is the POSIX
  // folder most files lie below, or empty.
  void Begin(std::string nearFolder);
  void End();
  // Opens the absolute `posix` from its folder's kept descriptor, with the
  // same outcome as open() on the whole path. False when it cannot (no
  // batch, a name that is no plain file name, a folder that does not open
  // or has no room): the caller opens the whole path as ever. Otherwise
  // *fd is the descriptor, or -1 with errno set.
  bool OpenAt(const std::string& posix, int flags, int* fd);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// Counts a write when it is done, so that a batch that looks after it
// finds the change made.
struct CountedWrite {
  CountedWrite() = default;
  CountedWrite(const CountedWrite&) = delete;
  CountedWrite& operator=(const CountedWrite&) = delete;
  ~CountedWrite() { FolderCache::CountWrite(); }
};

}  // namespace voltrak
