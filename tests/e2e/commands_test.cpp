// The command table: every button and key, what the desktop is asked to
// open, the file dialog, Reset and Reopen, the switches, and dropped files.
#include "tests/e2e/fixture.h"

#include <commctrl.h>

namespace e2e {
namespace {

using Commands = VoltrakTest;

constexpr const char* kUnimplemented = "Unimplemented command invoked: ";

bool StartsWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}

TEST_F(Commands, EscapeAndUnknownIdsShowTheUnimplementedBox) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kExit, "command table");
  app.Key(VK_ESCAPE);
  Box box = app.WaitForBox();
  ASSERT_TRUE(box) << "Escape showed nothing";
  EXPECT_EQ(box.Caption, "Error");
  EXPECT_EQ(box.Text, std::string(kUnimplemented) + "2");
  app.Press(box, IDOK);
  EXPECT_TRUE(app.Running()) << "Escape ended the program";

  const std::string title = app.Title();
  std::vector<Box> boxes = app.Run(4242);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, "Error");
  EXPECT_EQ(boxes[0].Text, std::string(kUnimplemented) + "4242");
  EXPECT_EQ(app.Title(), title) << "nothing else changes";
}

TEST_F(Commands, EveryCommandOfTheTableIsKnown) {
  App app(scratch, ("\"" + KnownList() + "\"").c_str());
  REQUIRE_CONTROL(app, kExit, "command table");
  app.WaitForTitle([](const std::string& t) { return StartsWith(t, "mix.m3u"); });
  // Open, Exit and the web link have cases of their own; whatever dialog the
  // others open is cancelled, the Edit dialog (whose id 2 is Up) by its close box.
  auto cancel = [&app](const Box& box) {
    if (box.Caption == "Edit") {
      PostMessageA(box.Window, WM_CLOSE, 0, 0);
    } else {
      app.Press(box, IDCANCEL);
    }
  };
  for (int id : {kReopen, kWinAmp, kPlugin, kExploreFolder, kLaunch, kCreateHtml, kSplitLists,
                 kPrint, kCopyClipboard, kCreateCue, kCreateLbl, kCopyTracks, kEdit, kOptions,
                 kReset, kAlwaysOnTop, kWarnLoadErrors, kMediumList, kDuplicateMode, kPathMode,
                 kFillMode, kReservedSplit, kMaximumVolumes, kMedium, kReserve, kPlayListTotal,
                 kTotalKB}) {
    bool finished = false;
    for (const Box& box : app.Run(id, cancel, &finished)) {
      EXPECT_FALSE(StartsWith(box.Text, kUnimplemented)) << "command " << id;
    }
    EXPECT_TRUE(finished) << "command " << id << " did not return";
    ASSERT_TRUE(app.Running()) << "command " << id << " ended the program";
  }
}

TEST_F(Commands, LaunchExploreAndTheWebLinkGoToTheDesktop) {
  const std::string list = KnownList();
  App app(scratch, ("\"" + list + "\"").c_str());
  REQUIRE_CONTROL(app, kLaunch, "Launch");
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return StartsWith(t, "mix.m3u"); }));
  EXPECT_EQ(app.Text(kLaunch), "Launch");
  EXPECT_EQ(app.Text(kExploreFolder), "Explore Folder");
  const std::string address = app.Text(kMarquee);

  app.Click(kLaunch);
  ASSERT_TRUE(app.WaitForShellLog(1)) << "Launch opened nothing";
  EXPECT_EQ(app.ShellLog()[0], "m3u " + list);

  app.Click(kExploreFolder);
  ASSERT_TRUE(app.WaitForShellLog(2)) << "Explore Folder opened nothing";
  EXPECT_EQ(app.ShellLog()[1], "folder " + scratch.Work);

  app.Click(kMarquee);
  ASSERT_TRUE(app.WaitForShellLog(3)) << "the web link opened nothing";
  EXPECT_EQ(app.ShellLog()[2], "url " + address);

  // Enter on a list presses the default button, the web link.
  ASSERT_TRUE(app.Focus(kFillMode));
  app.Key(VK_RETURN);
  ASSERT_TRUE(app.WaitForShellLog(4)) << "Enter opened nothing";
  EXPECT_EQ(app.ShellLog()[3], "url " + address);
  // And on an edit.
  ASSERT_TRUE(app.Focus(kMedium));
  app.Key(VK_RETURN);
  ASSERT_TRUE(app.WaitForShellLog(5)) << "Enter on an edit opened nothing";
  EXPECT_EQ(app.ShellLog()[4], "url " + address);
}

TEST_F(Commands, HelpOpensTheControlsTopicOrAnswersWithTheBox) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kReset, "help");
  ASSERT_TRUE(app.Help(HELPINFO_WINDOW, kReset));
  ASSERT_TRUE(app.WaitForShellLog(1)) << "help for a control opened nothing";
  const std::string opened = app.ShellLog()[0];
  EXPECT_NE(opened.find("voltrak-help.html#1032"), std::string::npos) << opened;

  ASSERT_TRUE(app.Help(HELPINFO_MENUITEM, 0));
  Box box = app.WaitForBox();
  ASSERT_TRUE(box) << "help of another kind showed nothing";
  EXPECT_EQ(box.Caption, "Help; what makes you think you deserve that??");
  EXPECT_EQ(box.Text, "Help requested, go screw yourself!");
  app.Press(box, IDOK);
  EXPECT_EQ(app.ShellLog().size(), 1u);
}

TEST_F(Commands, OpenLoadsTheChosenFileAndCancelLoadsNothing) {
  const std::string first = KnownList("first.m3u");
  const std::string second = KnownList("second.m3u");
  App app(scratch, ("\"" + first + "\"").c_str());
  REQUIRE_CONTROL(app, kOpen, "Open");
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return StartsWith(t, "first.m3u"); }));

  std::vector<Box> dialogs = app.Run(kOpen, [&](const Box& dialog) {
    // The file name field: the old-style dialog's edit, the explorer-style combo.
    HWND name = GetDlgItem(dialog.Window, 0x480);
    if (!name) name = GetDlgItem(dialog.Window, 0x47c);
    // The dialog starts from the current path; Wine shows its folder apart.
    const std::string shown = TextOf(name);
    EXPECT_TRUE(shown == first || shown == "first.m3u") << shown;
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(second.c_str()));
    app.Press(dialog, IDOK);
  });
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return StartsWith(t, "second.m3u"); }))
      << app.Title();

  dialogs = app.Run(kOpen);
  EXPECT_EQ(dialogs.size(), 1u);
  EXPECT_TRUE(StartsWith(app.Title(), "second.m3u")) << app.Title();
}

TEST_F(Commands, AfterResetReopenDoesNothing) {
  App app(scratch, ("\"" + KnownList() + "\"").c_str());
  REQUIRE_CONTROL(app, kReset, "Reset");
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return StartsWith(t, "mix.m3u"); }));
  app.Select(kFillMode, 1);
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return StartsWith(t, "mix.m3u - (2/2)"); }));

  ASSERT_TRUE(app.Run(kReopen).empty());
  EXPECT_TRUE(StartsWith(app.Title(), "mix.m3u - (2/2)"));

  ASSERT_TRUE(app.Run(kReset).empty());
  const std::string idle = app.Title();
  EXPECT_TRUE(StartsWith(idle, "Voltrak - ")) << idle;
  EXPECT_EQ(app.Text(kPlayListTotal), "0:00:00");
  EXPECT_EQ(app.Text(kTotalKB), "0");

  ASSERT_TRUE(app.Run(kReopen).empty());
  EXPECT_EQ(app.Title(), idle);
  EXPECT_EQ(app.Text(kTotalKB), "0");
}

TEST_F(Commands, SwitchesFollowTheirButtons) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kAlwaysOnTop, "Always On Top");
  EXPECT_EQ(app.Text(kAlwaysOnTop), "Always On Top");
  EXPECT_EQ(app.Text(kWarnLoadErrors), "Warn Load Errors");
  EXPECT_FALSE(app.Topmost());
  EXPECT_FALSE(app.Checked(kAlwaysOnTop));
  app.Click(kAlwaysOnTop);
  EXPECT_TRUE(WaitUntil([&] { return app.Topmost() && app.Checked(kAlwaysOnTop); }));
  app.Click(kAlwaysOnTop);
  EXPECT_TRUE(WaitUntil([&] { return !app.Topmost() && !app.Checked(kAlwaysOnTop); }));

  EXPECT_FALSE(app.Checked(kWarnLoadErrors));
  app.Click(kWarnLoadErrors);
  EXPECT_TRUE(WaitUntil([&] { return app.Checked(kWarnLoadErrors); }));
  app.Click(kWarnLoadErrors);
  EXPECT_TRUE(WaitUntil([&] { return !app.Checked(kWarnLoadErrors); }));
}

class Drops : public VoltrakTest {
 protected:
  // Drops three new playlists; the last one names the title when all are loaded.
  void DropThree(App& app, POINT where) {
    std::vector<std::string> files;
    const std::string batch = std::to_string(++drops_);
    for (const char* name : {"one", "two", "three"}) {
      files.push_back(KnownList(name + batch + ".m3u"));
    }
    const std::string last = "three" + batch + ".m3u";
    ASSERT_TRUE(app.Drop(files, where));
    EXPECT_TRUE(app.WaitForTitle([&](const std::string& t) { return StartsWith(t, last); }))
        << app.Title();
    HWND bar = app.Item(kDropProgress);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 3);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 3);
    EXPECT_TRUE(WaitUntil([&] {
      return IniValue(scratch.SettingsFile, "Options", "File") == files.back();
    }));
  }
  int drops_ = 0;
};

TEST_F(Drops, OnAnOutputButtonTheButtonIsKept) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kDropProgress, "drop progress");
  DropThree(app, app.CentreOf(kCreateHtml));
  if (HasFatalFailure()) return;
  EXPECT_EQ(LastCommandTraced(scratch), kCreateHtml);
}

TEST_F(Drops, OnEmptySpaceOrAnotherControlNothingIsKept) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kDropProgress, "drop progress");
  // First name an output, so that clearing it shows.
  DropThree(app, app.CentreOf(kSplitLists));
  if (HasFatalFailure()) return;
  DropThree(app, POINT{2, 2});
  if (HasFatalFailure()) return;
  EXPECT_EQ(LastCommandTraced(scratch), 0);
  DropThree(app, app.CentreOf(kPrint));
  EXPECT_EQ(LastCommandTraced(scratch), kPrint);
  DropThree(app, app.CentreOf(kReset));
  EXPECT_EQ(LastCommandTraced(scratch), 0);
}

TEST_F(Drops, OnTheFrameTheOutputNamedBeforeIsKept) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kDropProgress, "drop progress");
  DropThree(app, app.CentreOf(kCreateCue));
  if (HasFatalFailure()) return;
  ASSERT_EQ(LastCommandTraced(scratch), kCreateCue);
  const std::string list = KnownList("frame.m3u");
  ASSERT_TRUE(app.DropOnFrame({list}));
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return StartsWith(t, "frame.m3u"); }))
      << app.Title();
  EXPECT_EQ(LastCommandTraced(scratch), kCreateCue);
}

}  // namespace
}  // namespace e2e
