#include "support/support_routines.h"

#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
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
std::string g_initialFolder;

int CALLBACK SelectInitialFolder(HWND picker, UINT message, LPARAM, LPARAM) {
  if (message == BFFM_INITIALIZED && !g_initialFolder.empty()) {
    SendMessageA(picker, BFFM_SETSELECTIONA, TRUE,
                 reinterpret_cast<LPARAM>(g_initialFolder.c_str()));
  }
  return 0;
}

// The shell's picker needs COM on the calling thread, for as long as it is
// open; a thread that has it already keeps it as it was.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

}  // namespace

bool BrowseForFolder(HWND owner, const char* title, std::string& folder) {
  ComApartment com;
  BROWSEINFOA browse = {};
  browse.hwndOwner = owner;
  browse.pidlRoot = nullptr;
  browse.lpszTitle = title;
  browse.ulFlags = 0;
  browse.lpfn = SelectInitialFolder;
  if (!folder.empty()) g_initialFolder = folder;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
  if (!chosen) return false;
  // The shell writes at most MAX_PATH bytes here; the caller's text is
  // sized to what it wrote.
  char path[MAX_PATH] = "";
  BOOL isFolder = SHGetPathFromIDListA(chosen, path);
  CoTaskMemFree(chosen);
  if (!isFolder || path[0] == '\0') return false;
  folder = path;
  return true;
}

void DispatchPendingMessages(HWND dialog) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0,
                      PM_REMOVE | PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (!IsDialogMessageA(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
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
