// edit_dialog_bench [COUNT]: in the running voltrak.exe, loads a playlist of
// COUNT entries (10,000 by default), opens the Edit dialog and the Tree view
// on it, expands the tree's branches, and moves a selection in the middle of
// the list up and down; prints each time beside the load's, and where the
// list stood before and after each move. Target: each dialog open in under
// a second. Run it under Wine.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "tests/e2e/harness.h"
#include "tools/playlist_generator.h"

namespace {

constexpr DWORD kMinute = 60000;

double SecondsSince(ULONGLONG start) {
  return static_cast<double>(GetTickCount64() - start) / 1000.0;
}

// Presses a button of `dialog` and returns how long it took.
double Press(HWND dialog, int id) {
  const ULONGLONG start = GetTickCount64();
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)), SMTO_NORMAL, kMinute,
                      &ignored);
  return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  e2e::Scratch scratch;
  const voltrak::GeneratedPlaylist made = e2e::BenchPlaylist(argc, argv, scratch);
  if (made.Error) return 1;
  e2e::App app(scratch, nullptr);
  if (!app.Main()) {
    std::fprintf(stderr, "no main window: %s\n", app.State().c_str());
    return 1;
  }

  ULONGLONG start = GetTickCount64();
  if (!app.Drop({made.PlaylistPath}, POINT{2, 2}, 10 * kMinute)) {
    std::fprintf(stderr, "the load did not end\n");
    return 1;
  }
  const double load = SecondsSince(start);

  // A dialog counts as open once it is on the screen: its list or tree is
  // filled before it is shown.
  start = GetTickCount64();
  app.PostCommand(e2e::kEdit);
  const HWND edit = app.WaitForBox("Edit", kMinute).Window;
  const double editOpen = SecondsSince(start);
  if (!edit) {
    std::fprintf(stderr, "no Edit dialog\n");
    return 1;
  }
  const HWND list = GetDlgItem(edit, IDC_EDIT_LIST);
  const LRESULT rows = SendMessageA(list, LB_GETCOUNT, 0, 0);

  start = GetTickCount64();
  PostMessageA(edit, WM_COMMAND, MAKEWPARAM(IDC_EDIT_TREE_VIEW, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(edit, IDC_EDIT_TREE_VIEW)));
  const HWND tree = app.WaitForBox("Tree View", kMinute).Window;
  const double treeOpen = SecondsSince(start);
  // A branch's nodes go in when it is first expanded.
  const HWND control = GetDlgItem(tree, IDC_TREE);
  start = GetTickCount64();
  for (LRESULT root = SendMessageA(control, TVM_GETNEXTITEM, TVGN_ROOT, 0); root;
       root = SendMessageA(control, TVM_GETNEXTITEM, TVGN_NEXT, root)) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(control, TVM_EXPAND, TVE_EXPAND, root, SMTO_NORMAL, kMinute, &ignored);
  }
  const double expand = SecondsSince(start);
  const LRESULT nodes = SendMessageA(control, TVM_GETCOUNT, 0, 0);
  PostMessageA(tree, WM_CLOSE, 0, 0);
  e2e::WaitUntil([&] { return !IsWindow(tree); });

  // Two rows with a gap, in the middle, the list scrolled to them.
  const int middle = static_cast<int>(rows / 2);
  SendMessageA(list, LB_SETSEL, TRUE, middle);
  SendMessageA(list, LB_SETSEL, TRUE, middle + 2);
  SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(middle - 5), 0);
  const LRESULT topBefore = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
  const double up = Press(edit, IDC_EDIT_UP);
  const LRESULT topAfterUp = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
  const double down = Press(edit, IDC_EDIT_DOWN);
  const LRESULT topAfterDown = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
  PostMessageA(edit, WM_CLOSE, 0, 0);
  e2e::WaitUntil([&] { return !IsWindow(edit); });
  app.Close();

  std::printf("entries %u, rows in the Edit dialog %ld, tree nodes %ld\n", made.Entries,
              static_cast<long>(rows), static_cast<long>(nodes));
  std::printf("load            %8.3f s\n", load);
  std::printf("Edit opens      %8.3f s  (%.2f of the load; target: under 1 s)\n", editOpen,
              editOpen / load);
  std::printf("Tree view opens %8.3f s  (%.2f of the load; target: under 1 s)\n", treeOpen,
              treeOpen / load);
  std::printf("its branches    %8.3f s  to expand every one\n", expand);
  std::printf("Up              %8.3f s  (first row shown %ld, then %ld)\n", up,
              static_cast<long>(topBefore), static_cast<long>(topAfterUp));
  std::printf("Down            %8.3f s  (first row shown %ld)\n", down,
              static_cast<long>(topAfterDown));
  return 0;
}
