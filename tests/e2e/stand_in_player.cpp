// A stand-in for the media player, for the end-to-end tests: a hidden window
// of the player's class that answers Voltrak's two requests.
//   stand_in_player FOLDER LIST POSITION [--never-answer]
// Request 120 copies LIST to FOLDER\winamp.m3u before it returns; request
// 125 answers POSITION. With --never-answer the window exists but its
// thread never reads its messages, as a hung player's. The player's names
// are spelled out here, not taken from the program: the tests prove that the
// program speaks them.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char kPlayerClass[] = "Winamp v1.x";
constexpr LPARAM kWriteList = 120, kListPosition = 125;

std::string g_folder, g_list;
LRESULT g_position = 0;

LRESULT CALLBACK PlayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER && lParam == kWriteList) {
    return CopyFileA(g_list.c_str(), (g_folder + "\\winamp.m3u").c_str(), FALSE);
  }
  if (message == WM_USER && lParam == kListPosition) return g_position;
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 4) return 2;
  g_folder = __argv[1];
  g_list = __argv[2];
  g_position = std::strtol(__argv[3], nullptr, 10);
  const bool silent = __argc > 4 && std::strcmp(__argv[4], "--never-answer") == 0;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = PlayerProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kPlayerClass;
  if (!RegisterClassA(&windowClass)) return 1;
  if (!CreateWindowA(kPlayerClass, "Stand-in player", WS_OVERLAPPEDWINDOW, 0, 0,
                     200, 100, nullptr, nullptr, instance, nullptr)) {
    return 1;
  }
  if (silent) Sleep(INFINITE);  // the test ends it
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
