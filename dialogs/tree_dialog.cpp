#include "dialogs/tree_dialog.h"

#include <commctrl.h>

#include <vector>

#include "resources/private_messages.h"
#include "playlist/tree_branches.h"
#include "resources/resource.h"

namespace voltrak {
namespace {

struct TreeState {
  const Playlist* List = nullptr;
  const std::function<void(uint32_t)>* OnEntry = nullptr;
  HWND Dialog = nullptr;
  HWND Tree = nullptr;
  EntryTree Nodes;
  bool Building = false;  // the selection changes the building makes are not the user's
};

// Appends nodes under `parent`, each knowing its index in the tree and
// whether it has children, which go in only when it is first expanded: a
// long list's tens of thousands of nodes would take seconds to put in at once.
void Insert(const TreeState& s, HTREEITEM parent, const std::vector<uint32_t>& nodes) {
  SendMessageA(s.Tree, WM_SETREDRAW, FALSE, 0);
  HTREEITEM after = TVI_FIRST;
  for (uint32_t index : nodes) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<char*>(s.Nodes.Nodes[index].Text.c_str());
    insert.item.cChildren = s.Nodes.Nodes[index].Children.empty() ? 0 : 1;
    insert.item.lParam = static_cast<LPARAM>(index);
    after = reinterpret_cast<HTREEITEM>(
        SendMessageA(s.Tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  SendMessageA(s.Tree, WM_SETREDRAW, TRUE, 0);
}

// Puts the branches in anew. With the list's memory short the tree stays empty.
void Build(TreeState& s) {
  s.Building = true;
  TreeView_DeleteAllItems(s.Tree);
  s.Nodes = TreeBranches(*s.List);
  Insert(s, TVI_ROOT, s.Nodes.Roots);
  // The control's own first selection, which it would make on taking the
  // focus, made here where it cannot be mistaken for the user's.
  TreeView_SelectItem(s.Tree, TreeView_GetRoot(s.Tree));
  InvalidateRect(s.Tree, nullptr, TRUE);
  s.Building = false;
}

void OnExpanding(const TreeState& s, const TVITEMA& item) {
  if (TreeView_GetChild(s.Tree, item.hItem)) return;
  Insert(s, item.hItem, s.Nodes.Nodes[static_cast<size_t>(item.lParam)].Children);
}

void OnSelected(const TreeState& s, const TVITEMA& item) {
  if (s.Building || !item.hItem) return;
  const TreeNode& node = s.Nodes.Nodes[static_cast<size_t>(item.lParam)];
  if (!node.Entry) {
    MessageBoxA(s.Dialog, "Clicked a parent!", "Information",
                MB_ICONINFORMATION | MB_TOPMOST | MB_SETFOREGROUND);
    return;
  }
  (*s.OnEntry)(*node.Entry);
}

BOOL OnInit(HWND dialog, TreeState& s) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&s));
  SetPropA(dialog, kFollowsLoadsProperty, dialog);
  s.Dialog = dialog;
  s.Tree = GetDlgItem(dialog, IDC_TREE);
  Build(s);
  return TRUE;
}

void OnNotify(const TreeState& s, const NMHDR& header) {
  // The control speaks the dialog's character set; both forms carry the
  // item and its index in the same places.
  if (header.idFrom != IDC_TREE) return;
  const auto& change = reinterpret_cast<const NMTREEVIEWA&>(header);
  if (header.code == TVN_SELCHANGEDA || header.code == TVN_SELCHANGEDW)
    OnSelected(s, change.itemNew);
  if ((header.code == TVN_ITEMEXPANDINGA || header.code == TVN_ITEMEXPANDINGW) &&
      (change.action & TVE_EXPAND)) {
    OnExpanding(s, change.itemNew);
  }
}

void Close(HWND dialog) {
  RemovePropA(dialog, kFollowsLoadsProperty);
  EndDialog(dialog, 1);
}

INT_PTR CALLBACK TreeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInit(dialog, *reinterpret_cast<TreeState*>(lParam));
  auto* s = reinterpret_cast<TreeState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (!s) return FALSE;
  switch (message) {
    case WM_NOTIFY: OnNotify(*s, *reinterpret_cast<const NMHDR*>(lParam)); return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) Close(dialog);
      return TRUE;  // Escape (IDCANCEL) and the rest: the tree stays
    case WM_CLOSE: Close(dialog); return TRUE;
    case MSG_PLAYLIST_RELOAD:
      if (wParam == kLoadEnded) Build(*s);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void ShowTreeView(HWND owner, const Playlist& playlist,
                  const std::function<void(uint32_t)>& onEntry) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  TreeState state;
  state.List = &playlist;
  state.OnEntry = &onEntry;
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TREE_VIEW), owner, TreeProc,
                  reinterpret_cast<LPARAM>(&state));
}

}  // namespace voltrak
