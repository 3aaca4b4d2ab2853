#include "support/support_routines.h"

#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/system_error.h"

namespace voltrak {

void BringWindowToFront(HWND window) {
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(window);
  SetFocus(window);
}

int MessageBoxOnTop(HWND owner, const char* text, const char* caption, UINT style) {
  BringWindowToFront(owner);
  return MessageBoxA(owner, text, caption, style);
}

void ReportSystemError(HWND owner, uint32_t code, const char* sourceFile, unsigned line) {
  char* systemText = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 reinterpret_cast<char*>(&systemText), 0, nullptr);
  const char* text = systemText ? systemText : "";
  std::string caption = SystemErrorCaption(code, line, sourceFile ? sourceFile : "");
  OutputDebugStringA(caption.c_str());
  OutputDebugStringA(text);
  OutputDebugStringA("\n");
  MessageBoxA(owner, text, caption.c_str(), MB_OK | MB_ICONERROR);
  LocalFree(systemText);
}

namespace {

// The picker's initial folder, kept for the whole run; only one picker is
// open at a time, as every caller runs on the main thread and it is modal.
char g_initialFolder[MAX_PATH];

int CALLBACK SelectInitialFolder(HWND picker, UINT message, LPARAM, LPARAM) {
  if (message == BFFM_INITIALIZED) {
    SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(g_initialFolder));
  }
  return 0;
}

}  // namespace

int BrowseForFolder(HWND owner, const char* title, char* folder) {
  BROWSEINFOA browse = {};
  browse.hwndOwner = owner;
  browse.pidlRoot = nullptr;
  browse.lpszTitle = title;
  browse.ulFlags = 0;
  browse.lpfn = SelectInitialFolder;
  if (folder[0] != '\0') {
    std::strncpy(g_initialFolder, folder, MAX_PATH - 1);
    g_initialFolder[MAX_PATH - 1] = '\0';
  }
  LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
  if (!chosen) return 0;
  char path[MAX_PATH] = "";
  BOOL isFolder = SHGetPathFromIDListA(chosen, path);
  CoTaskMemFree(chosen);
  if (!isFolder || path[0] == '\0') return 0;
  std::memcpy(folder, path, MAX_PATH);
  return 1;
}

void TraceLine(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stdout, format, arguments);
  va_end(arguments);
}

void TraceMark(unsigned line, const char* sourceFile) {
  std::printf("%u@%s\n", line, sourceFile);
}

void DebugText(const char* text) { OutputDebugStringA(text); }

}  // namespace voltrak
