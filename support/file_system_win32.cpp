// The file system on Windows: the "A" calls with the paths as they stand.
#include <windows.h>

#include <utility>

#include "support/file_system.h"
#include "support/unique_handle.h"

namespace voltrak {
namespace {

// The path as a NUL-terminated buffer, or an error when it is too long for
// the calls the program makes or holds a NUL of its own.
uint32_t Terminate(std::string_view path, char (&buffer)[MAX_PATH]) {
  if (path.size() > kMaxPathLength) return kErrorFilenameTooLong;
  // The call would stop at the NUL and open a shorter name than was asked.
  if (path.find('\0') != std::string_view::npos) return kErrorInvalidName;
  path.copy(buffer, path.size());
  buffer[path.size()] = '\0';
  return kErrorSuccess;
}

uint64_t FromFileTime(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t t) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(t);
  result.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return result;
}

FileHandle OpenForReading(const char* path) {
  return FileHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

class Win32OutputFile : public OutputFile {
 public:
  explicit Win32OutputFile(FileHandle file) : file_(std::move(file)) {}
  ~Win32OutputFile() override { Close(); }

  bool Write(std::string_view bytes) override {
    while (!bytes.empty() && file_) {
      DWORD chunk = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
      DWORD written = 0;
      if (!WriteFile(file_.Get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
        if (failure_ == 0) failure_ = GetLastError() ? GetLastError() : kErrorWriteFault;
        return false;
      }
      bytes.remove_prefix(written);
    }
    return static_cast<bool>(file_);
  }

  uint32_t Close() override {
    if (uint32_t closed = file_.Close(); closed != 0 && failure_ == 0) failure_ = closed;
    return failure_;
  }

 private:
  FileHandle file_;
  uint32_t failure_ = 0;
};

class Win32InputFile : public InputFile {
 public:
  Win32InputFile(FileHandle file, uint64_t size) : file_(std::move(file)), size_(size) {}
  uint64_t Size() const override { return size_; }
  uint32_t ReadAt(uint64_t offset, char* buffer, size_t capacity, size_t* got) override {
    *got = 0;
    while (*got < capacity) {
      OVERLAPPED at = {};
      at.Offset = static_cast<DWORD>(offset + *got);
      at.OffsetHigh = static_cast<DWORD>((offset + *got) >> 32);
      const size_t left = capacity - *got;
      DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
      DWORD read = 0;
      if (!ReadFile(file_.Get(), buffer + *got, chunk, &read, &at)) {
        const DWORD error = GetLastError();
        return error == ERROR_HANDLE_EOF ? kErrorSuccess : error;
      }
      if (read == 0) break;
      *got += read;
    }
    return kErrorSuccess;
  }
  std::optional<FileIdentity> Identity() const override {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file_.Get(), &information)) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<uint64_t>(information.nFileIndexHigh) << 32) |
                            information.nFileIndexLow};
  }
  uint32_t Read(char* buffer, size_t capacity, size_t* got) override {
    DWORD chunk = capacity > 0x40000000u ? 0x40000000u : static_cast<DWORD>(capacity);
    DWORD read = 0;
    const bool done = ReadFile(file_.Get(), buffer, chunk, &read, nullptr) != 0;
    *got = read;
    return done ? kErrorSuccess : GetLastError();
  }

 private:
  FileHandle file_;
  uint64_t size_;
};

class Win32FileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> Open(std::string_view path, uint32_t* error) override {
    char name[MAX_PATH];
    if ((*error = Terminate(path, name)) != 0) return nullptr;
    FileHandle file = OpenForReading(name);
    LARGE_INTEGER length;
    if (!file || !GetFileSizeEx(file.Get(), &length)) {
      *error = GetLastError();
      return nullptr;
    }
    return std::make_unique<Win32InputFile>(std::move(file), static_cast<uint64_t>(length.QuadPart));
  }

  uint32_t ReadTail(std::string_view path, uint64_t* size, unsigned char* tail, size_t tailSize,
                    size_t* tailRead) override {
    *size = 0;
    *tailRead = 0;
    char name[MAX_PATH];
    if (uint32_t error = Terminate(path, name)) return error;
    FileHandle file = OpenForReading(name);
    if (!file) return GetLastError();
    LARGE_INTEGER length;
    if (GetFileSizeEx(file.Get(), &length)) *size = static_cast<uint64_t>(length.QuadPart);
    if (tailSize > 0 && *size >= tailSize) {
      LARGE_INTEGER back;
      back.QuadPart = -static_cast<LONGLONG>(tailSize);
      DWORD got = 0;
      if (SetFilePointerEx(file.Get(), back, nullptr, FILE_END) &&
          ReadFile(file.Get(), tail, static_cast<DWORD>(tailSize), &got, nullptr) && got == tailSize) {
        *tailRead = tailSize;
      }
    }
    return kErrorSuccess;
  }

  std::unique_ptr<OutputFile> CreateNew(std::string_view path, uint32_t* error) override {
    char name[MAX_PATH];
    if ((*error = Terminate(path, name)) != 0) return nullptr;
    // CREATE_NEW: a name that is taken, by a link too, is refused.
    FileHandle file(CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      *error = GetLastError();
      return nullptr;
    }
    *error = kErrorSuccess;
    return std::make_unique<Win32OutputFile>(std::move(file));
  }

  uint32_t Rename(std::string_view from, std::string_view to) override {
    char source[MAX_PATH], target[MAX_PATH];
    if (uint32_t error = Terminate(from, source)) return error;
    if (uint32_t error = Terminate(to, target)) return error;
    return MoveFileA(source, target) ? kErrorSuccess : GetLastError();
  }

  uint32_t Replace(std::string_view from, std::string_view to) override {
    char source[MAX_PATH], target[MAX_PATH];
    if (uint32_t error = Terminate(from, source)) return error;
    if (uint32_t error = Terminate(to, target)) return error;
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING) ? kErrorSuccess : GetLastError();
  }

  uint32_t Delete(std::string_view path) override {
    char name[MAX_PATH];
    if (uint32_t error = Terminate(path, name)) return error;
    return DeleteFileA(name) ? kErrorSuccess : GetLastError();
  }

  uint32_t CreateFolder(std::string_view path) override {
    char name[MAX_PATH];
    if (uint32_t error = Terminate(path, name)) return error;
    return CreateDirectoryA(name, nullptr) ? kErrorSuccess : GetLastError();
  }

  uint32_t Identify(std::string_view path, FileIdentity* identity) override {
    char name[MAX_PATH];
    if (uint32_t error = Terminate(path, name)) return error;
    // No access asked for, and every kind of sharing allowed: looking at a
    // file must not get in anybody's way, nor be refused by an open file.
    FileHandle file(CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (!file || !GetFileInformationByHandle(file.Get(), &information)) return GetLastError();
    identity->Volume = information.dwVolumeSerialNumber;
    identity->Index = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) |
                      information.nFileIndexLow;
    return kErrorSuccess;
  }

  uint32_t GetTimes(std::string_view path, FileTimes* times) override {
    char name[MAX_PATH];
    if (uint32_t error = Terminate(path, name)) return error;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(name, GetFileExInfoStandard, &data)) return GetLastError();
    times->Created = FromFileTime(data.ftCreationTime);
    times->Accessed = FromFileTime(data.ftLastAccessTime);
    times->Written = FromFileTime(data.ftLastWriteTime);
    return kErrorSuccess;
  }

  uint32_t SetTimes(std::string_view path, const FileTimes& times) override {
    char name[MAX_PATH];
    if (uint32_t error = Terminate(path, name)) return error;
    FileHandle file(CreateFileA(name, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    FILETIME created = ToFileTime(times.Created);
    FILETIME accessed = ToFileTime(times.Accessed);
    FILETIME written = ToFileTime(times.Written);
    return SetFileTime(file.Get(), &created, &accessed, &written) ? kErrorSuccess : GetLastError();
  }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static Win32FileSystem instance;
  return instance;
}

// Nothing here keeps anything between opens: the plain file system is the one.
FileSystem& PlainSystemFileSystem() { return SystemFileSystem(); }

}  // namespace voltrak
