#include "dialogs/edit_dialog.h"

#include <new>
#include <string>
#include <utility>

#include "resources/private_messages.h"
#include "dialogs/tree_dialog.h"
#include "playlist/list_edits.h"
#include "resources/resource.h"

namespace voltrak {
namespace {

// Row i of the list is entry i of the playlist, always: every command keeps
// the two the same length and order, and a load empties the list until it
// has ended, so no row ever names an entry that is not there.
struct EditState {
  HWND Owner = nullptr;
  Playlist* List = nullptr;
  BuildStamp Stamp = {};
  HWND Dialog = nullptr;
  HWND Rows = nullptr;
  EditChangeCount Changes;
  bool Reloading = false;  // a load is replacing the list: read none of it
  bool Leaving = false;    // OK or Cancel is at work: take no more commands
};

class DrawingSuspended {
 public:
  explicit DrawingSuspended(HWND list) : list_(list) {
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  }
  ~DrawingSuspended() {
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }
  DrawingSuspended(const DrawingSuspended&) = delete;
  DrawingSuspended& operator=(const DrawingSuspended&) = delete;

 private:
  HWND list_;
};

// A row's text, the entry's display name, ended as the list box wants it:
// the name lies within the playlist's text, where no NUL follows it.
std::string RowText(const MP3Information& record) {
  return std::string(ShownName(record));
}

uint32_t RowCount(const EditState& s) {
  return static_cast<uint32_t>(SendMessageA(s.Rows, LB_GETCOUNT, 0, 0));
}

LRESULT SelectedCount(const EditState& s) { return SendMessageA(s.Rows, LB_GETSELCOUNT, 0, 0); }

bool IsSelected(const EditState& s, uint32_t row) {
  return SendMessageA(s.Rows, LB_GETSEL, row, 0) > 0;
}

// May throw std::bad_alloc for a huge selection; the commands catch it.
RowSelection SelectedRows(const EditState& s) {
  const LRESULT count = SelectedCount(s);
  if (count <= 0) return {};
  std::vector<int> rows(static_cast<size_t>(count));
  const LRESULT got =
      SendMessageA(s.Rows, LB_GETSELITEMS, rows.size(), reinterpret_cast<LPARAM>(rows.data()));
  RowSelection selected;
  for (LRESULT i = 0; i < got; ++i) selected.push_back(static_cast<uint32_t>(rows[i]));
  return selected;
}

// Selects ascending rows a run at a time.
void SelectRows(HWND list, const RowSelection& rows) {
  size_t first = 0;
  while (first < rows.size()) {
    size_t last = first;
    while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1) ++last;
    SendMessageA(list, LB_SELITEMRANGEEX, rows[first], rows[last]);
    first = last + 1;
  }
}

void Enable(const EditState& s, int id, bool enable) {
  EnableWindow(GetDlgItem(s.Dialog, id), enable);
}

void UpdateMoveButtons(const EditState& s) {
  const uint32_t rows = RowCount(s);
  const bool some = SelectedCount(s) > 0;
  Enable(s, IDC_EDIT_UP, some && rows > 0 && !IsSelected(s, 0));
  Enable(s, IDC_EDIT_DOWN, some && rows > 0 && !IsSelected(s, rows - 1));
  Enable(s, IDC_EDIT_TOP, some);
  Enable(s, IDC_EDIT_BOTTOM, some);
}

void RebuildList(const EditState& s) {
  {
    DrawingSuspended quiet(s.Rows);
    SendMessageA(s.Rows, LB_RESETCONTENT, 0, 0);
    SendMessageA(s.Rows, LB_INITSTORAGE, s.List->TrackCount(), s.List->TrackCount() * 32);
    for (const MP3Information& record : s.List->Tracks) {
      SendMessageA(s.Rows, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(RowText(record).c_str()));
    }
  }
  UpdateMoveButtons(s);
}

void OnRefresh(const EditState& s, WPARAM what) {
  if (what == kEditRebuildList) {
    RebuildList(s);
  } else {
    UpdateMoveButtons(s);
  }
}

void RefreshDetails(const EditState& s) {
  const LRESULT caret = SendMessageA(s.Rows, LB_GETCARETINDEX, 0, 0);
  RowSelection selected;
  try {
    selected = SelectedRows(s);
  } catch (const std::bad_alloc&) {
    // The count and time read as for no selection.
  }
  const EditDetails details =
      EditDetailsOf(*s.List, caret < 0 ? UINT32_MAX : static_cast<uint32_t>(caret), selected);
  const std::pair<int, const std::string*> fields[] = {
      {IDC_EDIT_TRACK, &details.Track}, {IDC_EDIT_FILE_NAME, &details.FileName},
      {IDC_EDIT_TITLE, &details.Title}, {IDC_EDIT_ARTIST, &details.Artist},
      {IDC_EDIT_ALBUM, &details.Album}, {IDC_EDIT_COMMENT, &details.Comment},
      {IDC_EDIT_COUNT, &details.Count}, {IDC_EDIT_TIME, &details.Time},
  };
  for (const auto& [id, text] : fields) SetDlgItemTextA(s.Dialog, id, text->c_str());
  UpdateMoveButtons(s);
}

// Up and Down: only the moved rows change, each taken out and put in again
// one place on, selected there, in the order the records moved; the list
// then scrolls with them by one row where it can.
void MoveRows(const EditState& s, ListEdit edit) {
  const RowSelection before = SelectedRows(s);
  const RowSelection after = ApplyListEdit(edit, *s.List, before);
  if (after == before) return;
  const bool up = edit == ListEdit::kUp;
  DrawingSuspended quiet(s.Rows);
  const auto top = static_cast<uint32_t>(SendMessageA(s.Rows, LB_GETTOPINDEX, 0, 0));
  for (size_t k = 0; k < before.size(); ++k) {
    const size_t i = up ? k : before.size() - 1 - k;
    SendMessageA(s.Rows, LB_DELETESTRING, before[i], 0);
    SendMessageA(s.Rows, LB_INSERTSTRING, after[i],
                 reinterpret_cast<LPARAM>(RowText(s.List->Tracks[after[i]]).c_str()));
    SendMessageA(s.Rows, LB_SETSEL, TRUE, after[i]);
  }
  uint32_t newTop = top;
  if (up && top > 0) {
    newTop = top - 1;
  } else if (!up) {
    RECT client = {};
    GetClientRect(s.Rows, &client);
    const LRESULT rowHeight = SendMessageA(s.Rows, LB_GETITEMHEIGHT, 0, 0);
    const uint32_t visible = rowHeight > 0 ? static_cast<uint32_t>(client.bottom / rowHeight) : 0;
    if (top + visible < RowCount(s)) newTop = top + 1;
  }
  SendMessageA(s.Rows, LB_SETTOPINDEX, newTop, 0);
}

// Top, Bottom and Remove: a new array, so the list is built again, with the
// gathered rows selected.
void GatherRows(const EditState& s, ListEdit edit) {
  const RowSelection before = SelectedRows(s);
  if (before.empty()) return;
  const RowSelection after = ApplyListEdit(edit, *s.List, before);
  SendMessageA(s.Dialog, MSG_EDIT_REFRESH, kEditRebuildList, 0);
  SelectRows(s.Rows, after);
}

// Every press counts and plans again, whether anything moved or not.
void OnListEdit(EditState& s, ListEdit edit) {
  try {
    if (edit == ListEdit::kUp || edit == ListEdit::kDown) {
      MoveRows(s, edit);
    } else {
      GatherRows(s, edit);
    }
  } catch (const std::bad_alloc&) {
    // The selection could not be read: nothing moved.
  }
  SendMessageA(s.Dialog, MSG_EDIT_REFRESH, kEditUpdateMoveButtons, 0);
  s.Changes.Count();
  SendMessageA(s.Owner, MSG_PLAN_VOLUMES, 0, 0);
}

void OnInvert(const EditState& s) {
  RowSelection inverted;
  try {
    inverted = InvertedSelection(SelectedRows(s), RowCount(s));
  } catch (const std::bad_alloc&) {
    return;
  }
  DrawingSuspended quiet(s.Rows);
  const LRESULT top = SendMessageA(s.Rows, LB_GETTOPINDEX, 0, 0);
  SendMessageA(s.Rows, LB_SETSEL, FALSE, -1);
  SelectRows(s.Rows, inverted);
  SendMessageA(s.Rows, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
  RefreshDetails(s);
}

void OnClear(const EditState& s) {
  if (SelectedCount(s) <= 0) return;
  SendMessageA(s.Rows, LB_SETSEL, FALSE, -1);
  RefreshDetails(s);
  SendMessageA(s.Dialog, MSG_EDIT_REFRESH, kEditRebuildList, 0);
}

void OnListNotice(const EditState& s, UINT code) {
  if (code == LBN_SELCHANGE) RefreshDetails(s);
  if (code == LBN_DBLCLK) MessageBeep(MB_ICONINFORMATION);
}

// What the tree asks for an entry: its row at the top, its selection
// flipped, and the read-outs refreshed as for a click in the list.
void FlipRow(const EditState& s, uint32_t row) {
  if (s.Reloading || row >= RowCount(s)) return;
  SendMessageA(s.Rows, LB_SETTOPINDEX, row, 0);
  SendMessageA(s.Rows, LB_SETSEL, !IsSelected(s, row), row);
  SendMessageA(s.Dialog, WM_COMMAND, MAKEWPARAM(IDC_EDIT_LIST, LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(s.Rows));
}

void OnTreeView(const EditState& s) {
  ShowTreeView(s.Dialog, *s.List, [&s](uint32_t row) { FlipRow(s, row); });
}

void Leave(EditState& s, uint32_t result) {
  RemovePropA(s.Dialog, kFollowsLoadsProperty);
  EndDialog(s.Dialog, static_cast<INT_PTR>(result));
}

void OnOk(EditState& s) {
  s.Leaving = true;
  if (s.Changes.RewriteOnOk()) {
    SendMessageA(s.Owner, MSG_REWRITE_PLAYLIST, 0, 0);
    SendMessageA(s.Owner, MSG_PLAN_VOLUMES, 0, 0);
  }
  Leave(s, s.Changes.Value());
}

// The file still holds the list as it was: loading it again undoes the edit.
void OnCancel(EditState& s) {
  s.Leaving = true;
  s.Changes.Forget();
  SendMessageA(s.Owner, WM_COMMAND, MAKEWPARAM(IDC_REOPEN, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(s.Owner, IDC_REOPEN)));
  Leave(s, s.Changes.Value());
}

void OnLoadNotice(EditState& s, WPARAM stage) {
  if (stage == kLoadBegins) {
    s.Reloading = true;
    SendMessageA(s.Rows, LB_RESETCONTENT, 0, 0);
    UpdateMoveButtons(s);
    return;
  }
  s.Reloading = false;
  if (s.Leaving) return;  // OK's or Cancel's own reload: the dialog is going
  SendMessageA(s.Dialog, MSG_EDIT_REFRESH, kEditRebuildList, 0);
  RefreshDetails(s);
}

void OnCommand(EditState& s, UINT id, UINT code) {
  if (s.Reloading || s.Leaving) return;
  switch (id) {
    case IDC_EDIT_LIST: OnListNotice(s, code); break;
    case IDC_EDIT_UP: OnListEdit(s, ListEdit::kUp); break;
    case IDC_EDIT_DOWN: OnListEdit(s, ListEdit::kDown); break;
    case IDC_EDIT_TOP: OnListEdit(s, ListEdit::kTop); break;
    case IDC_EDIT_BOTTOM: OnListEdit(s, ListEdit::kBottom); break;
    case IDC_EDIT_REMOVE: OnListEdit(s, ListEdit::kRemove); break;
    case IDC_EDIT_INVERT: OnInvert(s); break;
    case IDC_EDIT_CLEAR: OnClear(s); break;
    case IDC_EDIT_TREE_VIEW: OnTreeView(s); break;
    case IDOK: OnOk(s); break;
    case IDC_EDIT_CANCEL: OnCancel(s); break;
    default: break;  // Select First Volume stays disabled; Test does nothing
  }
}

BOOL OnInit(HWND dialog, EditState& s) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&s));
  SetPropA(dialog, kFollowsLoadsProperty, dialog);
  s.Dialog = dialog;
  s.Rows = GetDlgItem(dialog, IDC_EDIT_LIST);
  SetDlgItemTextA(dialog, IDC_BUILD_DATE, s.Stamp.Date);
  SetDlgItemTextA(dialog, IDC_BUILD_TIME, s.Stamp.Time);
  Enable(s, IDC_EDIT_TREE_VIEW, true);
  SendMessageA(dialog, MSG_EDIT_REFRESH, kEditRebuildList, 0);
  return TRUE;
}

INT_PTR CALLBACK EditProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInit(dialog, *reinterpret_cast<EditState*>(lParam));
  auto* s = reinterpret_cast<EditState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (!s) return FALSE;
  switch (message) {
    case WM_COMMAND: OnCommand(*s, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case MSG_EDIT_REFRESH: OnRefresh(*s, wParam); return TRUE;
    case MSG_PLAYLIST_RELOAD: OnLoadNotice(*s, wParam); return TRUE;
    // Not the dialog manager's IDCANCEL, which is Up here: the close box
    // ends the dialog and keeps the edit in memory.
    case WM_CLOSE: Leave(*s, s->Changes.Value()); return TRUE;
  }
  return FALSE;
}

}  // namespace

uint32_t RunEditDialog(HWND owner, Playlist& playlist, BuildStamp stamp) {
  EditState state;
  state.Owner = owner;
  state.List = &playlist;
  state.Stamp = stamp;
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_EDIT), owner, EditProc,
                                   reinterpret_cast<LPARAM>(&state));
  return result > 0 ? static_cast<uint32_t>(result) : 0;
}

}  // namespace voltrak
