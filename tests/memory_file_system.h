// A file system held in memory that fails on demand, for tests of what the
// program does when a disk, a folder or a file lets it down. Paths are keyed
// by their exact text, compared with a-z and A-Z as one, as Windows compares
// them; no other normalising is done.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/file_system.h"

namespace voltrak::testing {

class MemoryFileSystem : public FileSystem {
 public:
  enum class Op {
    kOpen, kCreate, kWrite, kClose, kRename, kDelete, kCreateFolder, kGetTimes, kSetTimes,
    kRead,  // a piece read from a file opened with Open
    kReplace, kIdentify,
  };
  static constexpr size_t kOps = 12;
  // A special error value: the operation throws std::bad_alloc instead of returning.
  static constexpr uint32_t kThrowBadAlloc = 0xFFFFFFFFu;

  // Creates or replaces a file; the folders above it are made as needed.
  void Put(std::string_view path, std::string_view bytes);
  // Gives the file at `existing` a second name, as a hard link, a symbolic
  // link or another spelling would: both names reach the same bytes.
  void Link(std::string_view existing, std::string_view alias);
  // Makes the folder and those above it.
  void PutFolder(std::string_view path);
  bool Exists(std::string_view path) const;                      // file or folder
  std::optional<std::string> Get(std::string_view path) const;  // file bytes
  std::vector<std::string> Files() const;                       // every file path, sorted
  // The `skip`+1-th next call of `op` fails with `error` (once). Several may be queued.
  void FailNext(Op op, uint32_t error, unsigned skip = 0);
  // Opening (ReadTail / Open) this path always fails with `error`.
  void FailOpenOf(std::string_view path, uint32_t error);
  // Writes succeed until `bytes` more bytes have been written in all, then each Write fails
  // (a short write: the bytes that fit are kept) and Close reports kErrorDiskFull.
  void DiskFullAfter(size_t bytes);
  unsigned Calls(Op op) const;  // how many times each operation was asked for

  uint32_t ReadTail(std::string_view path, uint64_t* size, unsigned char* tail, size_t tailSize,
                    size_t* tailRead) override;
  // Reads what the file held when it was opened.
  std::unique_ptr<InputFile> Open(std::string_view path, uint32_t* error) override;
  // The file returned must not outlive this file system.
  std::unique_ptr<OutputFile> CreateNew(std::string_view path, uint32_t* error) override;
  uint32_t Rename(std::string_view from, std::string_view to) override;
  uint32_t Replace(std::string_view from, std::string_view to) override;
  uint32_t Identify(std::string_view path, FileIdentity* identity) override;
  uint32_t Delete(std::string_view path) override;
  uint32_t CreateFolder(std::string_view path) override;
  uint32_t GetTimes(std::string_view path, FileTimes* times) override;
  uint32_t SetTimes(std::string_view path, const FileTimes& times) override;

 private:
  class MemoryOutputFile;
  class MemoryInputFile;

  struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // What one file holds; every name of the file shares it.
  struct Content {
    std::string Bytes;
    FileTimes Times;
    uint64_t Id = 0;
  };
  using File = std::shared_ptr<Content>;
  struct Failure {
    Op Operation;
    uint32_t Error;
    unsigned Skip;
  };

  // Counts a call of `op` and gives the error injected for it (0 for none);
  // throws when that error is kThrowBadAlloc.
  uint32_t Begin(Op op, std::string_view path);
  // Appends bytes to an open file; the error of a short or failed write.
  uint32_t Append(const std::string& path, std::string_view bytes);
  bool IsFolder(std::string_view path) const;
  bool ParentKnown(std::string_view path) const;
  void AddFolders(std::string_view path);
  uint64_t Tick() { return now_ += 10000000u; }

  mutable std::mutex mutex_;
  std::map<std::string, File, NoCaseLess> files_;
  std::set<std::string, NoCaseLess> folders_;
  std::map<std::string, uint32_t, NoCaseLess> failingOpens_;
  std::vector<Failure> failures_;
  File NewFile();

  std::array<unsigned, kOps> calls_{};
  uint64_t nextId_ = 0;
  std::optional<size_t> diskLeft_;
  uint64_t now_ = 132000000000000000ull;  // 2019, then one second per change
};

}  // namespace voltrak::testing
