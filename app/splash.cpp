#include "app/splash.h"

#include "support/unique_handle.h"

namespace voltrak {
namespace {

constexpr int kSplashWidth = 382;
constexpr int kSplashHeight = 88;
constexpr DWORD kSplashMilliseconds = 500;
constexpr int kSplashSteps = 10;

// Floor halving, so a screen narrower than the picture gives a negative edge.
int CentredEdge(int screen, int size) {
  int room = screen - size;
  return room >= 0 ? room / 2 : -((-room + 1) / 2);
}

// Shows the picture for half a second. The thread runs no message loop: it
// draws the picture itself rather than answering paint requests.
DWORD WINAPI SplashThread(LPVOID parameter) {
  HWND mainWindow = static_cast<HWND>(parameter);
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE));
  GdiObject owned(LoadBitmapA(instance, "TITLE"));
  auto picture = static_cast<HBITMAP>(owned.Get());

  WNDCLASSEXA splashClass = {};
  splashClass.cbSize = sizeof splashClass;
  splashClass.style = CS_HREDRAW | CS_VREDRAW;
  splashClass.lpfnWndProc = DefWindowProcA;
  splashClass.hInstance = instance;
  splashClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  splashClass.hbrBackground = CreateSolidBrush(RGB(0, 0, 127));
  splashClass.lpszClassName = "zorv";
  RegisterClassExA(&splashClass);

  HWND splash = CreateWindowExA(
      WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "zorv", "", WS_POPUP,
      CentredEdge(GetSystemMetrics(SM_CXSCREEN), kSplashWidth),
      CentredEdge(GetSystemMetrics(SM_CYSCREEN), kSplashHeight), kSplashWidth, kSplashHeight,
      nullptr, nullptr, instance, nullptr);
  if (splash) {
    HDC screen = GetDC(splash);
    SetBkMode(screen, TRANSPARENT);
    ShowWindow(splash, SW_SHOWNOACTIVATE);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = picture ? SelectObject(memory, picture) : nullptr;
    BITMAP size = {};
    if (picture) GetObjectA(picture, sizeof size, &size);
    // A main window that starts topmost would cover the splash the moment it
    // appears; keeping the splash on top and its picture drawn through the
    // half second keeps it seen.
    for (int step = 0; step < kSplashSteps; ++step) {
      SetWindowPos(splash, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      if (picture) BitBlt(screen, 0, 0, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
      Sleep(kSplashMilliseconds / kSplashSteps);
    }
    if (picture) SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(splash, screen);
    DestroyWindow(splash);
  }
  return 0;
}

}  // namespace

void StartSplash(HWND mainWindow) {
  // Not waited for: the handle goes at once, the thread runs on.
  KernelHandle thread(CreateThread(nullptr, 0, SplashThread, mainWindow, 0, nullptr));
}

}  // namespace voltrak
