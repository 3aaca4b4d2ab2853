// The program's entry and its main dialog: loads the playlist named on the
// command line and shows what was loaded.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "app/private_messages.h"
#include "playlist/playlist_loader.h"
#include "resources/resource.h"
#include "support/file_system.h"

namespace voltrak {
namespace {

struct MainState {
  HWND Window = nullptr;
  LoadSettings Settings;
  Playlist List;
};
MainState g_main;

// The load as the window shows it: progress bar 1012, boxes owned by the window.
class WindowLoadHost : public LoadHost {
 public:
  explicit WindowLoadHost(HWND window) : window_(window), progress_(GetDlgItem(window, IDC_PROGRESS)) {}
  void EnableFileCommands(bool) override {}
  void SetTitle(std::string_view title) override {
    SetWindowTextA(window_, std::string(title).c_str());
  }
  void ProgressStart(uint32_t count) override {
    SendMessageA(progress_, PBM_SETRANGE32, 0, static_cast<LPARAM>(count));
    SendMessageA(progress_, PBM_SETSTEP, 1, 0);
    SendMessageA(progress_, PBM_SETPOS, 0, 0);
  }
  void ProgressStep() override {
    SendMessageA(progress_, PBM_STEPIT, 0, 0);
    UpdateWindow(progress_);
  }
  void HandlePendingEvents() override {
    MSG message;
    while (PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageA(window_, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    }
  }
  int ShowMessage(std::string_view text, std::string_view caption, uint32_t style,
                 bool owned) override {
    return MessageBoxA(owned ? window_ : nullptr, std::string(text).c_str(),
                       std::string(caption).c_str(), style);
  }
  void StopWatcher() override {}
  void StartWatcher() override {}
  void PlanVolumes() override { SendMessageA(window_, MSG_PLAN_VOLUMES, 0, 0); }
  void StoreLastFile(std::string_view) override {}
  void RunCommand(uint32_t) override {}
  void ReportSystemError(uint32_t code, unsigned line, const char* file) override {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    char caption[512];
    std::snprintf(caption, sizeof caption, "Error %u lookup from line %u of %s.", code, line, file);
    MessageBoxA(window_, text ? text : "", caption, MB_OK | MB_ICONSTOP);
    LocalFree(text);
  }
  bool OfferRewrite(std::string_view) override { return false; }
  void Trace(std::string_view line) override { OutputDebugStringA(std::string(line).c_str()); }

 private:
  HWND window_;
  HWND progress_;
};

void ShowTotals(HWND window) {
  const Playlist& list = g_main.List;
  char text[256];
  std::snprintf(text, sizeof text, "Voltrak - %u tracks, %u:%02u:%02u, %u KB, %u errors",
                list.TrackCount(), list.TotalSeconds / 3600, list.TotalSeconds / 60 % 60,
                list.TotalSeconds % 60, list.TotalKB, list.LoadErrors);
  SetWindowTextA(window, list.TrackCount() ? text : "Voltrak");
  std::snprintf(text, sizeof text, "%u tracks, %u:%02u:%02u", list.TrackCount(),
                list.TotalSeconds / 3600, list.TotalSeconds / 60 % 60, list.TotalSeconds % 60);
  SetDlgItemTextA(window, IDC_PLAYLIST_TOTAL, text);
  std::snprintf(text, sizeof text, "%u KB", list.TotalKB);
  SetDlgItemTextA(window, IDC_TOTAL_KB, text);
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      g_main.Window = window;
      if (!g_main.Settings.CurrentPlaylistPath.empty()) {
        PostMessageA(window, MSG_LOAD_PLAYLIST, 0, 0);
        PostMessageA(window, MSG_PLAN_VOLUMES, 0, 0);
      }
      return TRUE;
    case MSG_LOAD_PLAYLIST: {
      WindowLoadHost host(window);
      LoadPlaylist(g_main.Settings, g_main.List, SystemFileSystem(), host);
      return TRUE;
    }
    case MSG_PLAN_VOLUMES:
      ShowTotals(window);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) EndDialog(window, 0);
      return TRUE;
    case WM_CLOSE:
      EndDialog(window, 0);
      return TRUE;
  }
  return FALSE;
}

// The whole command line is one path; a leading quote and the line's last
// character (its closing quote) are dropped.
std::string PathFromCommandLine(const char* line) {
  std::string text = line ? line : "";
  if (!text.empty() && text[0] == '"') {
    text = text.substr(1, kMaxPathLength);
    if (!text.empty()) text.pop_back();
    return text;
  }
  return text.substr(0, kMaxPathLength);
}

}  // namespace
}  // namespace voltrak

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  voltrak::g_main.Settings.CurrentPlaylistPath = voltrak::PathFromCommandLine(commandLine);
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, voltrak::MainDialogProc, 0);
  return 0;
}
