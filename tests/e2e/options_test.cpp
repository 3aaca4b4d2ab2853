// The Options dialog: its switches change only on OK, and a folder picked
// for the player stays even when the dialog is cancelled.
#include "tests/e2e/fixture.h"

#include <commctrl.h>

namespace e2e {
namespace {

// The ten switches in the order the dialog's users meet them.
constexpr int kSwitches[] = {IDC_OPT_TRACK_LISTING, IDC_OPT_BY_TITLE,     IDC_OPT_BY_ARTIST,
                             IDC_OPT_BY_ALBUM,      IDC_OPT_BY_PATH,      IDC_OPT_PALM_READY,
                             IDC_OPT_STRIP_NUMBERS, IDC_OPT_NAME_BY_INFO, IDC_OPT_SINGLE_TRACK_INFO,
                             IDC_OPT_AUTO_REPEAT};

// "1" for each switch that is on.
std::string SwitchesOf(const Box& dialog) {
  std::string states;
  for (int id : kSwitches) {
    states += SendMessageA(GetDlgItem(dialog.Window, id), BM_GETCHECK, 0, 0) == BST_CHECKED ? '1' : '0';
  }
  return states;
}

void Toggle(const Box& dialog, int id) { SendMessageA(GetDlgItem(dialog.Window, id), BM_CLICK, 0, 0); }

class Options : public VoltrakTest {
 protected:
  // Opens the dialog, hands it to `use`, and ends it with `button`.
  void WithOptions(App& app, int button, const std::function<void(const Box&)>& use) {
    bool finished = false;
    std::vector<Box> boxes = app.Run(kOptions, [&](const Box& dialog) {
      EXPECT_EQ(dialog.Caption, "Options");
      use(dialog);
      app.Press(dialog, button);
    }, &finished);
    EXPECT_TRUE(finished);
    EXPECT_EQ(boxes.size(), 1u);
  }
};

TEST_F(Options, SwitchesChangeOnlyOnOk) {
  ClearClipboard();
  App app(scratch, ("\"" + KnownList() + "\"").c_str());
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return t.rfind("mix.m3u", 0) == 0; }));
  const std::string start = "1000001110";
  WithOptions(app, IDCANCEL, [&](const Box& dialog) {
    EXPECT_EQ(SwitchesOf(dialog), start);
    Toggle(dialog, IDC_OPT_TRACK_LISTING);
    Toggle(dialog, IDC_OPT_AUTO_REPEAT);
  });
  WithOptions(app, IDOK, [&](const Box& dialog) {
    EXPECT_EQ(SwitchesOf(dialog), start) << "Cancel kept a switch";
    Toggle(dialog, IDC_OPT_PALM_READY);
  });
  WithOptions(app, IDCANCEL, [&](const Box& dialog) { EXPECT_EQ(SwitchesOf(dialog), "1000011110"); });
  // Palm Ready reaches the clipboard: the known list's entries have no folder.
  EXPECT_TRUE(app.Run(kCopyClipboard).empty());
  EXPECT_EQ(ClipboardText(), "track1.mp3\r\ntrack2.mp3\r\ntrack3.mp3\r\ntrack4.mp3\r\n");
}

TEST_F(Options, APickedPlayerFolderStaysAfterCancel) {
  const std::string player = scratch.Work + "\\player";
  CreateDirectoryA(player.c_str(), nullptr);
  WriteText(scratch.SettingsFile, "[Directories]\r\nWinAmp=" + player + "\r\n");
  App app(scratch, nullptr);
  ASSERT_NE(app.Main(), nullptr) << app.State();
  WithOptions(app, IDCANCEL, [&](const Box& dialog) {
    HWND field = GetDlgItem(dialog.Window, IDC_OPT_PLAYER_FOLDER);
    EXPECT_EQ(TextOf(field), player);
    // The picker opens on the player's folder: cancelled it changes nothing,
    // and its parent chosen there is shown at once.
    for (bool choose : {false, true}) {
      PostMessageA(GetDlgItem(dialog.Window, IDC_OPT_PLAYER_FOLDER_BUTTON), BM_CLICK, 0, 0);
      Box picker;
      ASSERT_TRUE(WaitUntil([&] { return (picker = app.FindBox()) && picker.Window != dialog.Window; }))
          << "no folder picker";
      if (choose) {
        HWND tree = FindWindowExA(picker.Window, nullptr, "SysTreeView32", nullptr);
        LRESULT folder = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        LRESULT parent = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, folder);
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, parent);
      }
      app.Press(picker, choose ? IDOK : IDCANCEL);
      EXPECT_TRUE(WaitUntil([&] { return TextOf(field) == (choose ? scratch.Work : player); }))
          << TextOf(field);
    }
  });
  ASSERT_TRUE(app.Close());
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Directories", "WinAmp"), scratch.Work);
}

}  // namespace
}  // namespace e2e
