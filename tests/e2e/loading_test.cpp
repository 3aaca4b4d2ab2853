// What a load holds back and what it asks: requests that arrive during a
// load wait for it and then run in order, closing waits too, and a Yes to
// the rewrite question is never taken silently.
#include "tests/e2e/fixture.h"

namespace e2e {
namespace {

using Loading = VoltrakTest;

bool Named(const std::string& title, const std::string& name) { return title.rfind(name, 0) == 0; }

// A playlist of `count` entries whose files are missing: quick to write,
// and every entry still costs the load an open and a look at the queue.
std::string LongList(const Scratch& scratch, const std::string& name, int count) {
  std::string text = "#EXTM3U\r\n";
  for (int i = 0; i < count; ++i) text += "missing\\" + std::to_string(i) + ".mp3\r\n";
  const std::string path = scratch.Work + "\\" + name;
  WriteText(path, text);
  return path;
}

TEST_F(Loading, ADropResetAndOpenDuringALoadWaitAndRunInOrder) {
  const std::string big = LongList(scratch, "big.m3u", 2000);
  const std::string dropped = KnownList("dropped.m3u");
  const std::string opened = KnownList("opened.m3u");
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kDropProgress, "drops");
  // All four are queued before the first runs: the others reach the window
  // while the first drop's load hands out pending messages.
  ASSERT_TRUE(app.Drop({big}, app.CentreOf(kReopen)));
  ASSERT_TRUE(app.Drop({dropped}, POINT{2, 2}));
  app.PostCommand(kReset);
  app.PostCommand(kOpen);

  Box dialog = app.WaitForBox();
  ASSERT_TRUE(dialog) << "Open never ran";
  // The second drop loaded its file, then Reset forgot it.
  EXPECT_TRUE(Named(app.Title(), "Voltrak - ")) << app.Title();
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Options", "File"), dropped);
  HWND name = GetDlgItem(dialog.Window, 0x480);
  if (!name) name = GetDlgItem(dialog.Window, 0x47c);
  ASSERT_NE(name, nullptr) << dialog.Caption;
  EXPECT_EQ(TextOf(name), "") << "Reset had not cleared the path";
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(opened.c_str()));
  app.Press(dialog, IDOK);

  // Nothing of the long load comes back after the requests it held.
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "opened.m3u"); }))
      << app.Title();
  EXPECT_EQ(app.Text(kTotalKB), "10");
  EXPECT_FALSE(app.FindBox()) << app.FindBox().Caption;
}

TEST_F(Loading, ClosingDuringALoadEndsOnceTheLoadIsDone) {
  const std::string big = LongList(scratch, "big.m3u", 2000);
  App app(scratch, ("\"" + big + "\"").c_str());
  REQUIRE_CONTROL(app, kReopen, "Reopen");
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "big.m3u"); }));
  app.PostCommand(kReopen);
  PostMessageA(app.Main(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(app.WaitForExit()) << "the window did not close";
  EXPECT_EQ(app.ExitCode(), 0u);
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Options", "File"), big);
}

TEST_F(Loading, AYesToTheRewriteQuestionIsAnsweredNotDropped) {
  const std::string list = KnownList();
  const std::string before = ReadText(list);
  WriteText(scratch.SettingsFile, "[Options]\r\nPathMode=2\r\n");
  App app(scratch, ("\"" + list + "\"").c_str());
  REQUIRE_CONTROL(app, kPathMode, "path repair");
  Box question = app.WaitForBox();
  ASSERT_TRUE(question) << "absolute paths asked nothing";
  EXPECT_EQ(question.Caption, "Path changed.");
  EXPECT_EQ(question.Text, "Should I rewrite this file?");
  app.Press(question, IDYES);
  Box answer = app.WaitForBox();
  ASSERT_TRUE(answer) << "Yes did nothing that the user could see";
  EXPECT_EQ(answer.Caption, "Warning!");
  EXPECT_NE(answer.Text.find("not rewritten"), std::string::npos) << answer.Text;
  app.Press(answer, IDOK);
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "mix.m3u"); }));
  EXPECT_EQ(ReadText(list), before);
}

}  // namespace
}  // namespace e2e
