#include "app/settings.h"

#include <shlobj.h>

#include <cstdio>

#include "app/settings_rules.h"
#include "support/file_system.h"
#include "support/support_routines.h"
#include "support/unique_handle.h"

namespace voltrak {
namespace {

constexpr const char* kDirectories = "Directories";
constexpr const char* kOptions = "Options";
constexpr const char* kWindow = "Window";

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

SettingsLocations Locations() {
  char appData[MAX_PATH] = "";
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
    appData[0] = '\0';
  }
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  return SettingsLocationsFor(appData, windows);
}

std::string FileToRead() {
  SettingsLocations at = Locations();
  return SettingsFileToRead(at, !at.Ours.empty() && FileExists(at.Ours), FileExists(at.Legacy));
}

// Our file, made ready for writing: its folder exists, and an earlier
// installation's file is copied in first so that no key of it is lost.
std::string FileToWrite() {
  SettingsLocations at = Locations();
  if (at.Ours.empty()) return at.Legacy;
  bool oursExists = FileExists(at.Ours);
  if (!oursExists) {
    std::string folder = at.Ours.substr(0, at.Ours.rfind('\\'));
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  if (MustCarryOverLegacy(at, oursExists, FileExists(at.Legacy))) {
    CopyFileA(at.Legacy.c_str(), at.Ours.c_str(), TRUE);
  }
  return at.Ours;
}

// Paths are read whole, far past what a path may be, so that a long one is
// refused where it is used rather than cut into another name here.
std::string ReadText(const std::string& file, const char* section, const char* key) {
  std::string value(32767, '\0');
  DWORD length = GetPrivateProfileStringA(section, key, "", value.data(),
                                          static_cast<DWORD>(value.size() + 1), file.c_str());
  value.resize(length);
  return value;
}

void WriteNumber(const std::string& file, const char* section, const char* key, uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%u", value);
  WritePrivateProfileStringA(section, key, text, file.c_str());
}

uint32_t ReadNumber(const std::string& file, const char* section, const char* key,
                    uint32_t fallback) {
  return GetPrivateProfileIntA(section, key, static_cast<INT>(fallback), file.c_str());
}

constexpr DWORD kKeyAccess = KEY_ALL_ACCESS;

LONG OpenKey(RegistryKey* key) {
  HKEY opened = nullptr;
  LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr,
                                REG_OPTION_NON_VOLATILE, kKeyAccess, nullptr, &opened, nullptr);
  if (result == ERROR_SUCCESS) key->Reset(opened);
  return result;
}

LONG WriteValue(HKEY key, int32_t value) {
  DWORD data = static_cast<DWORD>(value);
  return RegSetValueExA(key, kAlwaysOnTopValue, 0, REG_DWORD, reinterpret_cast<BYTE*>(&data),
                        sizeof data);
}

}  // namespace

std::string LoadPlayerDirectory() { return ReadText(FileToRead(), kDirectories, "WinAmp"); }

void LoadModes(StoredModes& modes) {
  std::string file = FileToRead();
  modes.DuplicateMode =
      DuplicateModeFromStored(ReadNumber(file, kOptions, "DuplicateMode", modes.DuplicateMode));
  modes.PathMode = PathModeFromStored(ReadNumber(file, kOptions, "PathMode", modes.PathMode));
  modes.FillMode = FillModeFromStored(ReadNumber(file, kOptions, "FillMode", modes.FillMode));
  modes.MeasureUntimed = ReadNumber(file, kOptions, "MeasureUntimed", modes.MeasureUntimed) != 0;
  modes.ReadId3v2 = ReadNumber(file, kOptions, "ReadId3v2", modes.ReadId3v2) != 0;
}

std::string LoadLastFile() { return ReadText(FileToRead(), kOptions, "File"); }

void StoreLastFile(const std::string& path) {
  if (path.empty()) return;
  WritePrivateProfileStringA(kOptions, "File", path.c_str(), FileToWrite().c_str());
}

void SaveOnClose(const StoredModes& modes, const std::string& playerDirectory,
                 const std::string& currentPlaylistPath) {
  std::string file = FileToWrite();
  WriteNumber(file, kOptions, "FillMode", modes.FillMode);
  WriteNumber(file, kOptions, "PathMode", modes.PathMode);
  WriteNumber(file, kOptions, "DuplicateMode", modes.DuplicateMode);
  WriteNumber(file, kOptions, "MeasureUntimed", modes.MeasureUntimed);
  WriteNumber(file, kOptions, "ReadId3v2", modes.ReadId3v2);
  WritePrivateProfileStringA(kDirectories, "WinAmp", playerDirectory.c_str(), file.c_str());
  if (!currentPlaylistPath.empty()) {
    WritePrivateProfileStringA(kOptions, "File", currentPlaylistPath.c_str(), file.c_str());
  }
}

void LoadAlwaysOnTop(HWND owner, int32_t& alwaysOnTop) {
  RegistryKey key;
  LONG result = OpenKey(&key);
  if (result != ERROR_SUCCESS) {
    ReportSystemError(owner, static_cast<uint32_t>(result), __FILE__, __LINE__);
    return;
  }
  DWORD data = 0;
  DWORD size = sizeof data;
  DWORD type = 0;
  result = RegQueryValueExA(key.Get(), kAlwaysOnTopValue, nullptr, &type,
                            reinterpret_cast<BYTE*>(&data), &size);
  if (result == ERROR_SUCCESS) alwaysOnTop = static_cast<int32_t>(data);
  if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) {
    // A missing value is created, so the next run finds it.
    result = WriteValue(key.Get(), alwaysOnTop);
  }
  if (result != ERROR_SUCCESS) {
    ReportSystemError(owner, static_cast<uint32_t>(result), __FILE__, __LINE__);
  }
  if (uint32_t closed = key.Close()) ReportSystemError(owner, closed, __FILE__, __LINE__);
}

void StoreAlwaysOnTop(HWND owner, int32_t alwaysOnTop) {
  RegistryKey key;
  LONG result = OpenKey(&key);
  if (result != ERROR_SUCCESS) {
    ReportSystemError(owner, static_cast<uint32_t>(result), __FILE__, __LINE__);
    return;
  }
  if (WriteValue(key.Get(), alwaysOnTop) == ERROR_FILE_NOT_FOUND &&
      WriteValue(key.Get(), alwaysOnTop) == ERROR_FILE_NOT_FOUND) {
    ReportSystemError(owner, ERROR_FILE_NOT_FOUND, __FILE__, __LINE__);
  }
  if (uint32_t closed = key.Close()) ReportSystemError(owner, closed, __FILE__, __LINE__);
}

void RestoreWindowPosition(HWND window) {
  RECT placed;
  GetWindowRect(window, &placed);
  int32_t width = placed.right - placed.left;
  int32_t height = placed.bottom - placed.top;
  std::string file = FileToRead();
  auto x = static_cast<int32_t>(GetPrivateProfileIntA(kWindow, "X1", placed.left, file.c_str()));
  auto y = static_cast<int32_t>(GetPrivateProfileIntA(kWindow, "Y1", placed.top, file.c_str()));
  if (StoredPositionFits(x, y, width, height, GetSystemMetrics(SM_CXSCREEN),
                         GetSystemMetrics(SM_CYSCREEN))) {
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(window, nullptr, TRUE);
}

void StoreWindowPosition(HWND window) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(window, &placement) || placement.showCmd != SW_SHOWNORMAL) return;
  RECT now;
  GetWindowRect(window, &now);
  std::string file = FileToWrite();
  WritePrivateProfileStringA(kWindow, "X1", StoredEdgeText(now.left).c_str(), file.c_str());
  WritePrivateProfileStringA(kWindow, "Y1", StoredEdgeText(now.top).c_str(), file.c_str());
}

}  // namespace voltrak
