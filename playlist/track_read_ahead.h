// The track files of a load, read ahead of it on a few threads while the
// load takes the outcomes in the list's order. With one thread it is the
// plain sequential reading: each file is read when the load takes it, on
// the load's own thread. The load goes the same way both ways; the tests
// load the same lists both ways and compare everything.
//
// Each reading thread holds a read batch of its own: on POSIX the folders a
// batch keeps are the thread's own (and all threads together keep no more
// than the process may spare), while the listings that match names in
// another case are one store for all, under a lock. The Win32 file system
// keeps nothing between reads.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "playlist/track_file.h"
#include "support/file_system.h"

namespace voltrak {

// Threads that read a load's track files. On a cold cache (the first load
// after a restart, a USB disk, a network share) this many reads waiting on
// the disk at once come within a few percent of the best the bare system
// calls reach on any number of threads; a warm cache loses nothing by them.
inline constexpr unsigned kReadAheadThreads = 32;

// The reading threads the program uses: kReadAheadThreads, or the number
// in the environment variable VOLTRAK_READ_THREADS (1 reads on the load's
// thread alone).
unsigned ReadThreadsToUse();

class TrackReadAhead {
 public:
  // `threads` of 1 or less read on the calling thread. The file system
  // keeps folders for the reads, near `nearFolder` (see ReadBatch).
  TrackReadAhead(FileSystem& files, const TrackFileReading& reading, std::string_view nearFolder,
                 unsigned threads);
  // Reads in flight are finished and dropped.
  ~TrackReadAhead();
  TrackReadAhead(const TrackReadAhead&) = delete;
  TrackReadAhead& operator=(const TrackReadAhead&) = delete;

  // Asks for the file `fullPath` of the next entry, whose list gives it
  // `listedLength` seconds. Not `readable` (the entry's path found no
  // room): nothing is read, and the outcome is kErrorNotEnoughMemory. Only
  // when not Full().
  void Ask(std::string_view fullPath, uint32_t listedLength, bool readable = true);
  // Whether the load should take outcomes before it asks for more: once as
  // many are asked as are worth reading ahead, until half of them are
  // taken, so that the readers find work in runs rather than one by one.
  bool Full() {
    const uint64_t ahead = asked_ - taken_;
    if (ahead >= depth_) draining_ = true;
    if (ahead <= depth_ / 2) draining_ = false;
    return draining_;
  }
  bool Waiting() const { return asked_ != taken_; }
  // Whether the outcome for the oldest entry asked and not taken is there,
  // waiting for it at most `patience`.
  bool NextReady(std::chrono::milliseconds patience);
  // The outcome for the oldest entry asked and not taken, and its path.
  // Throws std::bad_alloc when memory ran out while it was read.
  TrackFileFacts Take(std::string* fullPath);

  // While the user has a say about a file, nothing is read and the calling
  // thread keeps no folder; after it, whatever was read ahead is read again
  // from folders found anew, as the user may have mended files and folders
  // meanwhile.
  void Pause();
  void Resume();

 private:
  struct Slot {
    std::string Path;
    bool Readable = false;
    uint32_t ListedLength = 0;
    std::atomic<bool> Done{false};
    bool RanOut = false;  // memory ran out while it was read
    TrackFileFacts Facts;
  };

  TrackFileFacts Read(const Slot& slot);
  void Work();
  // The next slot nobody reads yet, into *index; false when there is none.
  bool Claim(uint64_t* index);
  // Wakes the readers waiting for work, when there is some.
  void WakeReaders();
  // Lets the load know a reader has ended, when it waits for that.
  void LeaveBusy();
  Slot& At(uint64_t index) { return slots_[static_cast<size_t>(index % depth_)]; }

  FileSystem& files_;
  const TrackFileReading reading_;
  const std::string nearFolder_;
  const unsigned threadCount_;  // 0: the calling thread reads
  bool noMoreThreads_ = false;  // the system would start no more
  const size_t depth_;
  // The calling thread's own folders, when it reads.
  std::optional<ReadBatch> batch_;
  std::unique_ptr<Slot[]> slots_;
  uint64_t taken_ = 0;  // the load's own
  bool draining_ = false;

  // The load publishes what it asks through asked_ and readers claim it
  // through next_, each slot's outcome through its Done: no lock on the way
  // of a read. The lock is only for waiting: readers for work, the load
  // for an outcome or for the readers to stop.
  std::atomic<uint64_t> asked_{0}, next_{0};
  std::atomic<uint64_t> awaited_{UINT64_MAX};  // the slot the load waits for
  std::atomic<uint64_t> epoch_{0};  // one more at every Resume: readers find their folders anew
  std::atomic<unsigned> busy_{0};   // readers between a claim and its outcome
  std::atomic<unsigned> idle_{0};   // readers waiting for work
  std::atomic<bool> paused_{false}, stopping_{false};
  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::vector<std::thread> threads_;
};

}  // namespace voltrak
