#include "dialogs/duplicate_dialog.h"

#include "resources/resource.h"

namespace voltrak {
namespace {

struct Pair {
  const EntryRef* First;
  const EntryRef* Second;
};

struct PanelIds {
  int FileName, PlayLength, FileSize, Entry, ExtendedInformation, Title, Artist, Album, Comment;
};
constexpr PanelIds kPanels[] = {
    {IDC_DUP1_FILE_NAME, IDC_DUP1_PLAY_LENGTH, IDC_DUP1_FILE_SIZE, IDC_DUP1_ENTRY,
     IDC_DUP1_EXTENDED_INFO, IDC_DUP1_TITLE, IDC_DUP1_ARTIST, IDC_DUP1_ALBUM, IDC_DUP1_COMMENT},
    {IDC_DUP2_FILE_NAME, IDC_DUP2_PLAY_LENGTH, IDC_DUP2_FILE_SIZE, IDC_DUP2_ENTRY,
     IDC_DUP2_EXTENDED_INFO, IDC_DUP2_TITLE, IDC_DUP2_ARTIST, IDC_DUP2_ALBUM, IDC_DUP2_COMMENT},
};

void Fill(HWND dialog, const PanelIds& ids, const EntryRef& entry) {
  DuplicatePanelTexts texts = DuplicatePanelTextsOf(entry);
  const std::pair<int, const std::string*> fields[] = {
      {ids.FileName, &texts.FileName},   {ids.PlayLength, &texts.PlayLength},
      {ids.FileSize, &texts.FileSize},   {ids.Entry, &texts.Entry},
      {ids.ExtendedInformation, &texts.ExtendedInformation},
      {ids.Title, &texts.Title},         {ids.Artist, &texts.Artist},
      {ids.Album, &texts.Album},         {ids.Comment, &texts.Comment},
  };
  for (const auto& [id, text] : fields) SetDlgItemTextA(dialog, id, text->c_str());
}

INT_PTR CALLBACK DuplicateProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const Pair& pair = *reinterpret_cast<const Pair*>(lParam);
      Fill(dialog, kPanels[0], *pair.First);
      Fill(dialog, kPanels[1], *pair.Second);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_DUP1_REMOVE:
        case IDC_DUP2_REMOVE:
        case IDC_DUP_KEEP_BOTH:
        case IDC_DUP_STOP_CHECKING:
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
      }
      return TRUE;  // Escape and everything else: the question stays
  }
  return FALSE;
}

}  // namespace

DuplicateAnswer AskAboutDuplicate(HWND owner, const EntryRef& first, const EntryRef& second) {
  Pair pair{&first, &second};
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  INT_PTR pressed = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DUPLICATE), owner, DuplicateProc,
                                    reinterpret_cast<LPARAM>(&pair));
  switch (pressed) {
    case IDC_DUP1_REMOVE: return DuplicateAnswer::kRemoveFirst;
    case IDC_DUP2_REMOVE: return DuplicateAnswer::kRemoveSecond;
    case IDC_DUP_STOP_CHECKING: return DuplicateAnswer::kStopChecking;
    default: return DuplicateAnswer::kKeepBoth;  // a dialog that could not be shown removes nothing
  }
}

}  // namespace voltrak
