#include "dialogs/options_dialog.h"

#include <utility>

#include "resources/resource.h"
#include "support/support_routines.h"
#include "support/unique_handle.h"

namespace voltrak {
namespace {

constexpr const char* kPickerTitle = "Select WinAmp directory";

struct Switch {
  int Id;
  int OptionFlags::*Member;
};
constexpr Switch kSwitches[] = {
    {IDC_OPT_TRACK_LISTING, &OptionFlags::ReportTrackListing},
    {IDC_OPT_BY_TITLE, &OptionFlags::ReportByTitle},
    {IDC_OPT_BY_ARTIST, &OptionFlags::ReportByArtist},
    {IDC_OPT_BY_ALBUM, &OptionFlags::ReportByAlbum},
    {IDC_OPT_BY_PATH, &OptionFlags::ReportByPath},
    {IDC_OPT_PALM_READY, &OptionFlags::ClipboardPalmReady},
    {IDC_OPT_STRIP_NUMBERS, &OptionFlags::CopyStripNumbers},
    {IDC_OPT_NAME_BY_INFO, &OptionFlags::CopyNameByInfo},
    {IDC_OPT_SINGLE_TRACK_INFO, &OptionFlags::CopySingleTrackInfo},
    {IDC_OPT_AUTO_REPEAT, &OptionFlags::AutoRepeatLastCommand},
};

// What a load reads of the track files, kept in the settings file.
struct TrackFileSwitch {
  int Id;
  bool OptionsChoice::*Member;
};
constexpr TrackFileSwitch kTrackFileSwitches[] = {
    {IDC_OPT_MEASURE_UNTIMED, &OptionsChoice::MeasureUntimed},
    {IDC_OPT_READ_ID3V2, &OptionsChoice::ReadId3v2},
};

// What the open dialog works on; the picture outlives the dialog's window.
struct Session {
  OptionsChoice Choice;
  GdiObject Picture;
};

OptionsChoice& ChoiceOf(HWND dialog) {
  return reinterpret_cast<Session*>(GetWindowLongPtrA(dialog, DWLP_USER))->Choice;
}

void OnInit(HWND dialog, Session& session) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&session));
  // Loaded here rather than by the template, so that its background takes
  // the system's colour as the main window's button does.
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  session.Picture.Reset(LoadImageA(instance, MAKEINTRESOURCEA(IDB_PLUGIN), IMAGE_BITMAP, 0, 0,
                                   LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS));
  SendDlgItemMessageA(dialog, IDC_OPT_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(session.Picture.Get()));
  const OptionsChoice& choice = session.Choice;
  for (const Switch& s : kSwitches) {
    CheckDlgButton(dialog, s.Id, choice.Options.*s.Member ? BST_CHECKED : BST_UNCHECKED);
  }
  for (const TrackFileSwitch& s : kTrackFileSwitches) {
    CheckDlgButton(dialog, s.Id, choice.*s.Member ? BST_CHECKED : BST_UNCHECKED);
  }
  SetDlgItemTextA(dialog, IDC_OPT_PLAYER_FOLDER, choice.PlayerDirectory.c_str());
}

// A folder picked here is kept at once, whatever ends the dialog.
void OnPickPlayerFolder(HWND dialog, OptionsChoice& choice) {
  BrowseForFolder(dialog, kPickerTitle, choice.PlayerDirectory);
  SetDlgItemTextA(dialog, IDC_OPT_PLAYER_FOLDER, choice.PlayerDirectory.c_str());
}

void OnOk(HWND dialog, OptionsChoice& choice) {
  for (const Switch& s : kSwitches) {
    choice.Options.*s.Member = IsDlgButtonChecked(dialog, s.Id) == BST_CHECKED ? 1 : 0;
  }
  for (const TrackFileSwitch& s : kTrackFileSwitches) {
    choice.*s.Member = IsDlgButtonChecked(dialog, s.Id) == BST_CHECKED;
  }
  char folder[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_OPT_PLAYER_FOLDER, folder, sizeof folder);
  choice.PlayerDirectory = folder;
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog, *reinterpret_cast<Session*>(lParam));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_OPT_PLAYER_FOLDER_BUTTON: OnPickPlayerFolder(dialog, ChoiceOf(dialog)); break;
        case IDOK: OnOk(dialog, ChoiceOf(dialog)); break;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); break;  // Escape and the close box too
      }
      return TRUE;
  }
  return FALSE;
}

}  // namespace

OptionsChoice ChooseOptions(HWND owner, const OptionsChoice& current) {
  Session session{current, {}};
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_OPTIONS), owner, OptionsProc,
                      reinterpret_cast<LPARAM>(&session)) != IDOK) {
    // Only OK stores the switches; a picked folder stands either way.
    session.Choice.Options = current.Options;
    session.Choice.MeasureUntimed = current.MeasureUntimed;
    session.Choice.ReadId3v2 = current.ReadId3v2;
  }
  return std::move(session.Choice);
}

}  // namespace voltrak
