// The file system as the core sees it. Paths are Windows paths, exactly as a
// playlist holds them; the POSIX implementation maps them the way Wine does.
// Errors are Win32 system error codes (0 for success) on both platforms, so
// the core and its messages behave the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace voltrak {

// Win32 error codes the core and the POSIX layer name.
constexpr uint32_t
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorTooManyOpenFiles = 4,
  kErrorAccessDenied = 5,
  kErrorNotEnoughMemory = 8,
  kErrorWriteFault = 29,
  kErrorReadFault = 30,
  kErrorSharingViolation = 32,
  kErrorFileExists = 80,
  kErrorInvalidParameter = 87,
  kErrorDiskFull = 112,
  kErrorInvalidName = 123,
  kErrorDirNotEmpty = 145,
  kErrorAlreadyExists = 183,
  kErrorFilenameTooLong = 206,
  kErrorBadNetPath = 53,
  kErrorNotReady = 21;

// Longest path the program opens or builds (a 260-byte buffer).
constexpr size_t kMaxPathLength = 259;

// Who a file is, whatever name reaches it: two names of one file (a link, a
// name in another case or with "." in it) give equal identities. The
// device and inode on POSIX, the volume serial and file index on Windows.
struct FileIdentity {
  uint64_t Volume = 0;
  uint64_t Index = 0;
  bool operator==(const FileIdentity& other) const {
    return Volume == other.Volume && Index == other.Index;
  }
  bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// 100-nanosecond intervals since 1601-01-01 UTC, as Windows counts them.
struct FileTimes {
  uint64_t Created = 0;
  uint64_t Accessed = 0;
  uint64_t Written = 0;
};

// A file being written. Close reports whether everything reached the file;
// destroying an open file closes it.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual bool Write(std::string_view bytes) = 0;
  virtual uint32_t Close() = 0;
};

// A file being read from start to end, in pieces of the reader's choosing,
// so that no file needs its whole size in memory. Destroying it closes it.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // The byte size when it was opened, 64 bits whatever the platform.
  virtual uint64_t Size() const = 0;
  // The next bytes, at most `capacity`; *got is 0 only at the end.
  virtual uint32_t Read(char* buffer, size_t capacity, size_t* got) = 0;
  // Who the open file is, when the system says.
  virtual std::optional<FileIdentity> Identity() const { return std::nullopt; }
  // Up to `capacity` bytes from `offset` on, whatever was read before; *got
  // is less only at the file's end. Files that cannot be read this way
  // (a text on standard input) say kErrorInvalidParameter.
  virtual uint32_t ReadAt(uint64_t offset, char* buffer, size_t capacity, size_t* got) {
    static_cast<void>(offset), static_cast<void>(buffer), static_cast<void>(capacity);
    *got = 0;
    return kErrorInvalidParameter;
  }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing file for shared sequential reading.
  virtual std::unique_ptr<InputFile> Open(std::string_view path, uint32_t* error) = 0;

  // Opens an existing file for shared sequential reading, takes its byte size
  // and, when it holds at least tailSize bytes, its last tailSize bytes; then
  // closes it. *tailRead says how many bytes were read (0 or tailSize).
  virtual uint32_t ReadTail(std::string_view path, uint64_t* size, unsigned char* tail,
                            size_t tailSize, size_t* tailRead) = 0;

  // The same open for both ends of a file: its byte size, its first bytes
  // (*headRead of headSize, fewer for a short file) and its last ones
  // (*tailRead of tailSize, likewise). What measuring a track's length
  // reads of every file; by default through Open and ReadAt.
  virtual uint32_t ReadEnds(std::string_view path, uint64_t* size, char* head, size_t headSize,
                            size_t* headRead, char* tail, size_t tailSize, size_t* tailRead);

  // Creates a new file: fails with kErrorFileExists when the name is taken,
  // by a file, a folder or a link, which is never followed. There is no
  // call that opens an existing file for writing: whatever the program
  // writes goes to a name it has just made, and takes the place of another
  // only through Replace (see ReplacementFile).
  virtual std::unique_ptr<OutputFile> CreateNew(std::string_view path, uint32_t* error) = 0;

  // Renames within one volume; fails when `to` exists.
  virtual uint32_t Rename(std::string_view from, std::string_view to) = 0;
  // Moves `from` onto `to` in one step, replacing a file there (a link
  // there is replaced, not followed).
  virtual uint32_t Replace(std::string_view from, std::string_view to) = 0;
  virtual uint32_t Delete(std::string_view path) = 0;
  // Creates one folder; its parent must exist.
  virtual uint32_t CreateFolder(std::string_view path) = 0;

  // The identity of the file `path` names, links followed and folders
  // matched in any case; kErrorFileNotFound or kErrorPathNotFound when there
  // is none. The name itself is taken as it is spelled where the system
  // tells case apart: looking for it in another case would read a whole
  // folder, for every copy made into it. A file that opens under another
  // spelling is known by InputFile::Identity.
  virtual uint32_t Identify(std::string_view path, FileIdentity* identity) = 0;

  virtual uint32_t GetTimes(std::string_view path, FileTimes* times) = 0;
  virtual uint32_t SetTimes(std::string_view path, const FileTimes& times) = 0;

  // Between these two, the calling thread reads many files (a load): the
  // file system may keep the folders it opens them from, `nearFolder` (where
  // most of them are below, or nothing) among them, and finds names in them
  // as they were when it first used each, until the batch ends or a write
  // through it. Batches nest; the default keeps nothing.
  virtual void BeginReadBatch(std::string_view /*nearFolder*/) {}
  virtual void EndReadBatch() {}
};

inline uint32_t FileSystem::ReadEnds(std::string_view path, uint64_t* size, char* head,
                                     size_t headSize, size_t* headRead, char* tail,
                                     size_t tailSize, size_t* tailRead) {
  *size = 0;
  *headRead = *tailRead = 0;
  uint32_t error = kErrorSuccess;
  std::unique_ptr<InputFile> file = Open(path, &error);
  if (!file) return error != kErrorSuccess ? error : kErrorFileNotFound;
  *size = file->Size();
  const uint64_t tailAt = *size > tailSize ? *size - tailSize : 0;
  if (file->ReadAt(0, head, headSize, headRead) != kErrorSuccess) *headRead = 0;
  if (file->ReadAt(tailAt, tail, static_cast<size_t>(*size - tailAt), tailRead) != kErrorSuccess) {
    *tailRead = 0;
  }
  return kErrorSuccess;
}

// A whole existing file, read through Open. A read that fails gives its
// error and no contents.
inline uint32_t ReadWholeFile(FileSystem& files, std::string_view path, std::string* contents) {
  contents->clear();
  uint32_t error = 0;
  std::unique_ptr<InputFile> file = files.Open(path, &error);
  if (!file) return error;
  char buffer[1 << 16];
  for (size_t got = 0;;) {
    if ((error = file->Read(buffer, sizeof buffer, &got)) != 0) {
      contents->clear();
      return error;
    }
    if (got == 0) return kErrorSuccess;
    contents->append(buffer, got);
  }
}

// Whether an error says that no file is there.
inline bool IsMissing(uint32_t error) {
  return error == kErrorFileNotFound || error == kErrorPathNotFound;
}

// The identity of the file `path` names into *identity, or none when no
// file is there; 0, or the error when the system could not tell.
inline uint32_t IdentifyIfThere(FileSystem& files, std::string_view path,
                                std::optional<FileIdentity>* identity) {
  FileIdentity found;
  const uint32_t error = files.Identify(path, &found);
  identity->reset();
  if (error == kErrorSuccess) *identity = found;
  return IsMissing(error) ? kErrorSuccess : error;
}

// Whether two names reach one file that exists.
inline bool SameFile(FileSystem& files, std::string_view a, std::string_view b) {
  FileIdentity first, second;
  return files.Identify(a, &first) == kErrorSuccess && files.Identify(b, &second) == kErrorSuccess &&
         first == second;
}

// Holds a read batch open for its lifetime.
class ReadBatch {
 public:
  explicit ReadBatch(FileSystem& files, std::string_view nearFolder = {}) : files_(files) {
    files_.BeginReadBatch(nearFolder);
  }
  ~ReadBatch() { files_.EndReadBatch(); }
  ReadBatch(const ReadBatch&) = delete;
  ReadBatch& operator=(const ReadBatch&) = delete;

 private:
  FileSystem& files_;
};

// The real file system of the platform the program runs on.
FileSystem& SystemFileSystem();
// The same without its speed-ups (folders kept during a read batch): what
// the tests set the fast one against.
FileSystem& PlainSystemFileSystem();

}  // namespace voltrak
