#include "playlist/track_read_ahead.h"

#include <cstdlib>
#include <new>
#include <system_error>
#include <utility>

namespace voltrak {

unsigned ReadThreadsToUse() {
  if (const char* text = std::getenv("VOLTRAK_READ_THREADS")) {
    char* end = nullptr;
    const unsigned long threads = std::strtoul(text, &end, 10);
    if (end != text && *end == '\0' && threads >= 1 && threads <= 256) {
      return static_cast<unsigned>(threads);
    }
  }
  return kReadAheadThreads;
}

// Enough reads queued for every thread to read several in a row before it
// waits for more, yet little held: a path and a tag each.
TrackReadAhead::TrackReadAhead(FileSystem& files, const TrackFileReading& reading,
                               std::string_view nearFolder, unsigned threads)
    : files_(files),
      reading_(reading),
      nearFolder_(nearFolder),
      threadCount_(threads > 1 ? threads : 0),
      depth_(threads > 1 ? 16 * size_t{threads} : 1),
      slots_(new Slot[depth_]) {
  batch_.emplace(files_, nearFolder_);
}

TrackReadAhead::~TrackReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void TrackReadAhead::Ask(std::string_view fullPath, uint32_t listedLength, bool readable) {
  // The slot was taken, or never used: no reader touches it.
  const uint64_t index = asked_.load(std::memory_order_relaxed);
  Slot& slot = At(index);
  slot.Path.assign(fullPath);
  slot.ListedLength = listedLength;
  slot.Readable = readable;
  slot.Done = false;
  asked_ = index + 1;
  // A thread more for every entry asked, up to their number: a short list
  // starts no more than it has entries. The readers are woken when the load
  // waits (Take), so that they find a run of reads.
  if (threads_.size() < threadCount_ && !noMoreThreads_) {
    try {
      threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      noMoreThreads_ = true;  // those there are read; with none, Take does
    }
  }
}

TrackFileFacts TrackReadAhead::Take(std::string* fullPath) {
  Slot& slot = At(taken_);
  TrackFileFacts facts;
  if (threads_.empty()) {
    facts = Read(slot);
  } else {
    while (!NextReady(std::chrono::hours(1))) {
    }
    if (slot.RanOut) throw std::bad_alloc();
    facts = slot.Facts;
  }
  fullPath->swap(slot.Path);
  ++taken_;
  return facts;
}

bool TrackReadAhead::NextReady(std::chrono::milliseconds patience) {
  if (threads_.empty()) return true;
  Slot& slot = At(taken_);
  if (slot.Done) return true;
  WakeReaders();
  awaited_ = taken_;
  std::unique_lock<std::mutex> lock(mutex_);
  const bool ready = done_.wait_for(lock, patience, [&] { return slot.Done.load(); });
  awaited_ = UINT64_MAX;
  return ready;
}

void TrackReadAhead::Pause() {
  batch_.reset();
  paused_ = true;
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [&] { return busy_ == 0; });
}

void TrackReadAhead::Resume() {
  batch_.emplace(files_, nearFolder_);
  for (uint64_t i = taken_; i < asked_; ++i) At(i).Done = false;
  next_ = taken_;
  ++epoch_;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    paused_ = false;
  }
  work_.notify_all();
}

TrackFileFacts TrackReadAhead::Read(const Slot& slot) {
  if (slot.Readable) return ReadTrackFile(slot.Path, slot.ListedLength, files_, reading_);
  TrackFileFacts facts;
  facts.Error = kErrorNotEnoughMemory;
  return facts;
}

bool TrackReadAhead::Claim(uint64_t* index) {
  uint64_t next = next_;
  do {
    if (next >= asked_) return false;
  } while (!next_.compare_exchange_weak(next, next + 1));
  *index = next;
  return true;
}

void TrackReadAhead::WakeReaders() {
  if (idle_ > 0 && next_ < asked_) {
    std::lock_guard<std::mutex> lock(mutex_);
    work_.notify_all();
  }
}

void TrackReadAhead::LeaveBusy() {
  if (--busy_ == 0 && paused_) {
    std::lock_guard<std::mutex> lock(mutex_);
    done_.notify_all();
  }
}

// One reading thread: the oldest entry nobody reads yet, until the load
// ends. A reader counts itself busy before it looks at paused_, and Pause
// sets paused_ before it waits for none to be busy: either the reader sees
// the pause, or Pause waits for its read.
void TrackReadAhead::Work() {
  std::unique_ptr<ReadBatch> batch;  // this thread's folders
  uint64_t epoch = 0;
  for (;;) {
    ++busy_;
    uint64_t index = 0;
    if (paused_ || stopping_ || !Claim(&index)) {
      LeaveBusy();
      std::unique_lock<std::mutex> lock(mutex_);
      ++idle_;
      work_.wait(lock, [&] { return stopping_ || (!paused_ && next_ < asked_); });
      --idle_;
      if (stopping_) return;
      continue;
    }
    if (!batch || epoch != epoch_) {
      epoch = epoch_;
      batch.reset();
      batch = std::make_unique<ReadBatch>(files_, nearFolder_);
    }
    Slot& slot = At(index);
    slot.RanOut = false;
    try {
      slot.Facts = Read(slot);
    } catch (const std::bad_alloc&) {
      slot.RanOut = true;  // the load's to meet, as if it had read the file itself
    }
    slot.Done = true;
    if (awaited_ == index) {
      std::lock_guard<std::mutex> lock(mutex_);
      done_.notify_all();
    }
    LeaveBusy();
  }
}

}  // namespace voltrak
