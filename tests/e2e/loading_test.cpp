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

// Another program's plan and rewrite requests wait for the list to be whole:
// neither the title of a half-built list nor a playlist cut short.
TEST_F(Loading, APlanOrRewriteRequestDuringALoadWaitsForTheWholeList) {
  const std::string big = LongList(scratch, "big.m3u", 20000);
  const std::string before = ReadText(big);
  App app(scratch, ("\"" + big + "\"").c_str());
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "Loading"); }))
      << app.Title();
  ASSERT_TRUE(app.Send(kMsgPlanVolumes, 0, 0));
  EXPECT_TRUE(Named(app.Title(), "Loading")) << app.Title();
  PostMessageA(app.Main(), MSG_REWRITE_PLAYLIST, 0, 0);
  Box renaming = app.WaitForBox(60000);
  ASSERT_TRUE(renaming) << app.Title();
  EXPECT_EQ(renaming.Caption, "Renaming old play list.");
  app.Press(renaming, IDOK);
  EXPECT_EQ(ReadText(big), before);
  EXPECT_EQ(ReadText(renaming.Text), before);
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "big.m3u"); }, 60000));
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

class Rewrite : public VoltrakTest {
 protected:
  // Starts on the known list with absolute paths asked for: the load offers
  // to write the repaired paths back.
  Box Start() {
    list_ = KnownList();
    before_ = ReadText(list_);
    WriteText(scratch.SettingsFile, "[Options]\r\nPathMode=2\r\n");
    app_ = std::make_unique<App>(scratch, ("\"" + list_ + "\"").c_str());
    Box question = app_->WaitForBox();
    EXPECT_EQ(question.Caption, "Path changed.");
    EXPECT_EQ(question.Text, "Should I rewrite this file?");
    return question;
  }
  // The dated backups beside the list.
  std::vector<std::string> Backups() {
    std::vector<std::string> found;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((scratch.Work + "\\mix-*.m3u").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do found.push_back(scratch.Work + "\\" + data.cFileName); while (FindNextFileA(search, &data));
    FindClose(search);
    return found;
  }
  std::unique_ptr<App> app_;
  std::string list_, before_;
};

TEST_F(Rewrite, YesBacksTheFileUpWritesTheListAndLoadsIt) {
  Box question = Start();
  ASSERT_TRUE(question);
  app_->Press(question, IDYES);
  Box renaming = app_->WaitForBox();
  ASSERT_TRUE(renaming);
  EXPECT_EQ(renaming.Caption, "Renaming old play list.");
  app_->Press(renaming, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return ReadText(list_) != before_; }));
  EXPECT_TRUE(app_->WaitForTitle([](const std::string& t) { return Named(t, "mix.m3u"); }));
  const std::string written = ReadText(list_);
  EXPECT_EQ(written.rfind("#EXTM3U\r\n", 0), 0u) << written;
  EXPECT_NE(written.find(scratch.Work + "\\track1.mp3\r\n"), std::string::npos) << written;
  const std::vector<std::string> backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(backups[0], renaming.Text);
  EXPECT_EQ(ReadText(backups[0]), before_);
  // The reload read the paths it wrote: nothing left to repair, no question.
  EXPECT_EQ(app_->Text(kTotalKB), "10");
  EXPECT_FALSE(app_->FindBox()) << app_->FindBox().Caption;
}

TEST_F(Rewrite, NoLeavesTheFileAlone) {
  Box question = Start();
  ASSERT_TRUE(question);
  app_->Press(question, IDNO);
  EXPECT_TRUE(app_->WaitForTitle([](const std::string& t) { return Named(t, "mix.m3u"); }));
  EXPECT_EQ(ReadText(list_), before_);
  EXPECT_TRUE(Backups().empty());
}

TEST_F(Rewrite, AFileThatCannotBeMovedIsToldAndKept) {
  list_ = KnownList();
  // Held open without delete sharing: readable, but it cannot be renamed.
  HANDLE held = CreateFileA(list_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Box question = Start();
  ASSERT_TRUE(question);
  app_->Press(question, IDYES);
  // No backup is announced that never came to be.
  Box refused = app_->WaitForBox();
  CloseHandle(held);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused.Caption, "Error");
  EXPECT_EQ(refused.Text, "Could not create a backup file!");
  app_->Press(refused, IDOK);
  EXPECT_EQ(ReadText(list_), before_);
  EXPECT_TRUE(Backups().empty());
  EXPECT_TRUE(app_->Running());
}

class Duplicates : public VoltrakTest {
 protected:
  // track1 listed twice, between them track2: 3 + 2 + 3 KB.
  void Start() {
    KnownList();
    WriteText(scratch.SettingsFile, "[Options]\r\nDuplicateMode=1\r\n");
    list_ = scratch.Work + "\\dups.m3u";
    WriteText(list_, "#EXTM3U\r\ntrack1.mp3\r\ntrack2.mp3\r\ntrack1.mp3\r\n");
    app_ = std::make_unique<App>(scratch, ("\"" + list_ + "\"").c_str());
  }
  std::unique_ptr<App> app_;
  std::string list_;
};

TEST_F(Duplicates, EachAnswerOfTheQuestion) {
  const struct {
    int button;
    const char* totalKB;
    bool offersRewrite;
  } cases[] = {
      {IDC_DUP1_REMOVE, "5", true},
      {IDC_DUP2_REMOVE, "5", true},
      {IDC_DUP_KEEP_BOTH, "8", false},
      {IDC_DUP_STOP_CHECKING, "8", false},
  };
  for (const auto& c : cases) {
    Start();
    Box question = app_->WaitForBox();
    ASSERT_TRUE(question) << c.button;
    EXPECT_EQ(question.Caption, "Duplicate Files found in play list");
    EXPECT_EQ(TextOf(GetDlgItem(question.Window, IDC_DUP1_FILE_NAME)), "track1.mp3");
    EXPECT_EQ(TextOf(GetDlgItem(question.Window, IDC_DUP1_ENTRY)), "1");
    EXPECT_EQ(TextOf(GetDlgItem(question.Window, IDC_DUP2_ENTRY)), "3");
    EXPECT_EQ(TextOf(GetDlgItem(question.Window, IDC_DUP2_TITLE)), "Track 1");
    // Escape does not end it.
    PostMessageA(question.Window, WM_COMMAND, IDCANCEL, 0);
    Sleep(200);
    ASSERT_TRUE(IsWindowVisible(question.Window)) << "Escape closed the question";
    app_->Press(question, c.button);
    if (c.offersRewrite) {
      Box offer = app_->WaitForBox();
      ASSERT_TRUE(offer) << c.button;
      EXPECT_EQ(offer.Caption, "Duplicates removed.");
      app_->Press(offer, IDNO);
    }
    EXPECT_TRUE(WaitUntil([&] { return app_->Text(kTotalKB) == c.totalKB; }))
        << c.button << ": " << app_->Text(kTotalKB);
    EXPECT_FALSE(app_->FindBox()) << c.button;
    app_.reset();
  }
}

}  // namespace
}  // namespace e2e
