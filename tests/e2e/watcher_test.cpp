// The playlist file watcher in the running program: another program's
// rewrite reloads the list once (with automatic repeat, the last output is
// made again), other files and an empty save do not, a
// deleted list is one failed reload, a change during other work waits for
// it, and neither a removed folder nor closing the window hangs or ends the
// program.
#include <filesystem>
#include <fstream>
#include <memory>

#include "tests/e2e/fixture.h"

namespace e2e {
namespace {

class Watcher : public VoltrakTest {
 protected:
  // Starts the program on `list` and waits until its load watches it.
  void Start(const std::string& list) {
    list_ = list;
    app_ = std::make_unique<App>(scratch, ("\"" + list + "\"").c_str());
    ASSERT_TRUE(WaitUntil([&] { return Loads() == 1; })) << app_->State();
  }
  // Loads that opened the list: each starts a watcher.
  size_t Loads() { return TraceCount(scratch, "Watching \""); }
  // Writes the list as another program would: one that finds it open for
  // reading (by the watcher or a load) tries again.
  void Write(const std::string& bytes) {
    ASSERT_TRUE(WaitUntil([&] {
      std::ofstream out(list_, std::ios::binary);
      return static_cast<bool>(out << bytes);
    }));
  }
  // A save naming some of the known tracks (3, 2, 4 and 1 KB).
  void Save(const std::string& entries) { Write("#EXTM3U\r\n" + entries); }
  // Waits until the list shows `kilobytes`; true when exactly `loads` ran.
  bool Shows(const char* kilobytes, size_t loads) {
    WaitUntil([&] { return Loads() >= loads && app_->Text(kTotalKB) == kilobytes; });
    return Loads() == loads && app_->Text(kTotalKB) == kilobytes;
  }

  std::unique_ptr<App> app_;
  std::string list_;
};

TEST_F(Watcher, OnlyARewriteWithContentReloadsAndEachOnce) {
  Start(KnownList());
  Save("track1.mp3\r\n");
  EXPECT_TRUE(Shows("3", 2)) << Loads();
  // Another file of the folder, then the list saved empty: no reload.
  WriteText(scratch.Work + "\\notes.txt", "not a playlist");
  Write("");
  Save("track2.mp3\r\ntrack3.mp3\r\n");
  EXPECT_TRUE(Shows("6", 3)) << Loads();
  // Two quick saves: at most one reload each, the last one shown.
  Save("track4.mp3\r\n");
  Save("track3.mp3\r\n");
  EXPECT_TRUE(WaitUntil([&] { return app_->Text(kTotalKB) == "4"; }));
  EXPECT_LE(Loads(), 5u);
  EXPECT_FALSE(app_->FindBox()) << app_->FindBox().Caption;
}

TEST_F(Watcher, WithAutomaticRepeatAReloadMakesTheLastOutputAgain) {
  Start(KnownList());
  ASSERT_TRUE(TurnOnAutomaticRepeat(*app_)) << "no automatic repeat in the Options dialog";
  EXPECT_TRUE(app_->Run(kCreateHtml).empty());
  ASSERT_TRUE(app_->WaitForShellLog(1));
  Save("track1.mp3\r\n");
  EXPECT_TRUE(Shows("3", 2)) << Loads();
  ASSERT_TRUE(app_->WaitForShellLog(2)) << "the reload made no report";
  EXPECT_EQ(app_->ShellLog()[1], app_->ShellLog()[0]);
}

TEST_F(Watcher, ADeletedListIsOneFailedReload) {
  Start(KnownList());
  // Tried again while the watcher or the load has it open.
  ASSERT_TRUE(WaitUntil([&] { return DeleteFileA(list_.c_str()) != 0; }));
  WriteText(scratch.Work + "\\notes.txt", "wakes the watcher");
  const std::string reason = PressCannotOpen(*app_, list_);
  EXPECT_EQ(reason.rfind("Error 2 lookup", 0), 0u) << reason;
  Save("track1.mp3\r\n");
  EXPECT_TRUE(Shows("3", 2)) << Loads();
  EXPECT_FALSE(app_->FindBox()) << app_->FindBox().Caption;
}

TEST_F(Watcher, AChangeDuringOtherWorkReloadsOnceItHasEnded) {
  KnownList();
  list_ = scratch.Work + "\\asks.m3u";
  Save("missing.mp3\r\n");
  app_ = std::make_unique<App>(scratch, nullptr);
  ASSERT_TRUE(app_->SendCommand(kWarnLoadErrors));
  ASSERT_TRUE(app_->Drop({list_}, POINT{2, 2}));
  // The load waits for the user over the missing file; the list changes
  // twice meanwhile.
  Box question = app_->WaitForBox();
  ASSERT_EQ(question.Caption, "Could not open file!");
  Save("track1.mp3\r\n");
  Save("track3.mp3\r\n");
  app_->Press(question, IDOK);
  Box count = app_->WaitForBox();
  ASSERT_EQ(count.Text, "1 of the files could not be opened!");
  app_->Press(count, IDOK);
  EXPECT_TRUE(Shows("4", 2)) << Loads();
}

TEST_F(Watcher, ARemovedFolderEndsOnlyTheWatching) {
  const std::string folder = scratch.Work + "\\gone";
  std::filesystem::create_directories(folder);
  Start(WritePlaylist(folder, "mix.m3u", {60, 60}, {5, 2}));
  // The watcher may have the list open for a moment, as it looks whether
  // the file is still being written: then the removal is refused, as on
  // Windows, and is tried again.
  ASSERT_TRUE(WaitUntil([&] {
    std::error_code refused;
    std::filesystem::remove_all(folder, refused);
    return !refused;
  }));
  // The program goes on: another list loads, and is followed.
  list_ = KnownList();
  ASSERT_TRUE(app_->Drop({list_}, POINT{2, 2}));
  // Whatever the removal reported is answered.
  EXPECT_TRUE(WaitUntil([&] {
    if (Box box = app_->FindBox()) app_->Press(box, IDOK);
    return app_->Text(kTotalKB) == "10";
  }));
  Save("track1.mp3\r\n");
  EXPECT_TRUE(Shows("3", 3)) << Loads();
}

TEST_F(Watcher, ClosingWhileItWaitsEndsTheProgram) {
  Start(KnownList());
  ASSERT_TRUE(app_->Close());
  EXPECT_EQ(app_->ExitCode(), 0u);
}

}  // namespace
}  // namespace e2e
