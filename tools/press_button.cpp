// press_button TITLE ID [KEY...]: presses button ID of the first top window
// whose title starts with TITLE, as a click would, waiting up to 20 seconds
// for that window; with KEYs (virtual-key codes) presses those keys in
// control ID instead. For the screenshots of the dialogs a button opens.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

struct Search {
  const char* Title;
  int Id;
  HWND Found;
};

BOOL CALLBACK Consider(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  char title[256] = "";
  GetWindowTextA(window, title, sizeof title);
  if (std::strncmp(title, search->Title, std::strlen(search->Title)) != 0) return TRUE;
  if (!GetDlgItem(window, search->Id)) return TRUE;
  search->Found = window;
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  Search search{argv[1], std::atoi(argv[2]), nullptr};
  for (int tries = 0; tries < 200 && !search.Found; ++tries) {
    EnumWindows(Consider, reinterpret_cast<LPARAM>(&search));
    if (!search.Found) Sleep(100);
  }
  if (!search.Found) return 1;
  HWND control = GetDlgItem(search.Found, search.Id);
  if (argc == 3) PostMessageA(control, BM_CLICK, 0, 0);
  for (int key = 3; key < argc; ++key) {
    const auto code = static_cast<WPARAM>(std::atoi(argv[key]));
    PostMessageA(control, WM_KEYDOWN, code, 1);
    PostMessageA(control, WM_KEYUP, code, static_cast<LPARAM>(0xC0000001u));
  }
  return 0;
}
