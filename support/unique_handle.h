// One owner for every system handle: it closes what it holds when it goes,
// on every path out of a function, and can be closed early by a caller that
// reports the close's own failure.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace voltrak {

// Traits give the type, the value that holds nothing, and the close call,
// which returns 0 or the system's error code.
template <typename Traits>
class UniqueHandle {
 public:
  using Value = typename Traits::Value;

  UniqueHandle() = default;
  explicit UniqueHandle(Value value) : value_(value) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Value Get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::Empty(); }
  // Hands the value over; the owner then holds nothing.
  Value Release() {
    Value value = value_;
    value_ = Traits::Empty();
    return value;
  }
  void Reset(Value value = Traits::Empty()) {
    Close();
    value_ = value;
  }
  // Closes now; 0 or the error the close gave. Nothing held is success.
  uint32_t Close() {
    if (!*this) return 0;
    return Traits::Close(Release());
  }

 private:
  Value value_ = Traits::Empty();
};

#ifdef _WIN32
struct FileHandleTraits {
  using Value = HANDLE;
  static Value Empty() { return INVALID_HANDLE_VALUE; }
  static uint32_t Close(Value v) { return CloseHandle(v) ? 0 : GetLastError(); }
};
// Threads, processes and events: no value means null, not INVALID_HANDLE_VALUE.
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Empty() { return nullptr; }
  static uint32_t Close(Value v) { return CloseHandle(v) ? 0 : GetLastError(); }
};
struct FindHandleTraits {
  using Value = HANDLE;
  static Value Empty() { return INVALID_HANDLE_VALUE; }
  static uint32_t Close(Value v) { return FindClose(v) ? 0 : GetLastError(); }
};
struct ChangeNotificationTraits {
  using Value = HANDLE;
  static Value Empty() { return INVALID_HANDLE_VALUE; }
  static uint32_t Close(Value v) { return FindCloseChangeNotification(v) ? 0 : GetLastError(); }
};
struct RegistryKeyTraits {
  using Value = HKEY;
  static Value Empty() { return nullptr; }
  static uint32_t Close(Value v) { return static_cast<uint32_t>(RegCloseKey(v)); }
};
struct GdiObjectTraits {
  using Value = HGDIOBJ;
  static Value Empty() { return nullptr; }
  static uint32_t Close(Value v) { return DeleteObject(v) ? 0 : ERROR_INVALID_HANDLE; }
};
// Movable memory for the clipboard and the print dialog's settings.
struct GlobalMemoryTraits {
  using Value = HGLOBAL;
  static Value Empty() { return nullptr; }
  static uint32_t Close(Value v) { return GlobalFree(v) == nullptr ? 0 : GetLastError(); }
};
// A device context the program made (a printer's), not one borrowed from a window.
struct DeviceContextTraits {
  using Value = HDC;
  static Value Empty() { return nullptr; }
  static uint32_t Close(Value v) { return DeleteDC(v) ? 0 : ERROR_INVALID_HANDLE; }
};
struct ModuleTraits {
  using Value = HMODULE;
  static Value Empty() { return nullptr; }
  static uint32_t Close(Value v) { return FreeLibrary(v) ? 0 : GetLastError(); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using ChangeNotification = UniqueHandle<ChangeNotificationTraits>;
using RegistryKey = UniqueHandle<RegistryKeyTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using ModuleHandle = UniqueHandle<ModuleTraits>;
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;
using DeviceContext = UniqueHandle<DeviceContextTraits>;
#else
struct DescriptorTraits {
  using Value = int;
  static Value Empty() { return -1; }
  // The descriptor is gone even when close reports an error: never retry.
  static uint32_t Close(Value v) { return ::close(v) == 0 ? 0 : static_cast<uint32_t>(errno); }
};
struct FolderListingTraits {
  using Value = DIR*;
  static Value Empty() { return nullptr; }
  static uint32_t Close(Value v) { return closedir(v) == 0 ? 0 : static_cast<uint32_t>(errno); }
};
using Descriptor = UniqueHandle<DescriptorTraits>;
using FolderListing = UniqueHandle<FolderListingTraits>;
#endif

}  // namespace voltrak
