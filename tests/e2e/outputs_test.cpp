// The four written outputs from the window: each button writes its file
// beside the playlist, the report goes to the desktop's viewer, a file that
// cannot be created is named in a warning while the rest is still written,
// and drops on "Create HTML" repeat the report for every list.
#include "tests/e2e/fixture.h"

#include <filesystem>

namespace e2e {
namespace {

constexpr const char* kCannotOpen = "Can not open selected file";

class Outputs : public VoltrakTest {
 protected:
  // The known list, loaded from the command line, planned by time onto
  // CD-R: two volumes.
  void WaitPlanned(App& app) {
    ASSERT_NE(app.Main(), nullptr) << app.State();
    ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return t.rfind("mix.m3u", 0) == 0; }));
    app.Select(kFillMode, 1);
    ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return t.rfind("mix.m3u - (2/", 0) == 0; }));
  }
  std::string Beside(const std::string& name) const { return scratch.Work + "\\" + name; }
  bool Appears(const std::string& name) {
    return WaitUntil([&] { return std::filesystem::exists(Beside(name)); });
  }
};

TEST_F(Outputs, EachButtonWritesItsFileAndTheReportGoesToTheViewer) {
  App app(scratch, ("\"" + KnownList() + "\"").c_str());
  WaitPlanned(app);
  if (HasFatalFailure()) return;

  EXPECT_TRUE(app.Run(kSplitLists).empty());
  ASSERT_TRUE(Appears("mix-002.M3U"));
  EXPECT_EQ(ReadText(Beside("mix-001.M3U")).rfind("#EXTM3U\r\n#EXTINF:2000,", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(Beside("mix-003.M3U")));
  EXPECT_EQ(LastCommandTraced(scratch), kSplitLists);

  EXPECT_TRUE(app.Run(kCreateHtml).empty());
  ASSERT_TRUE(app.WaitForShellLog(1)) << "the report was not handed to the viewer";
  EXPECT_EQ(app.ShellLog()[0], "html " + Beside("mix.html"));
  EXPECT_NE(ReadText(Beside("mix.html")).find("Volume 2 of 2"), std::string::npos);
  EXPECT_EQ(LastCommandTraced(scratch), kCreateHtml);

  // Neither of the two small outputs takes LastCommand from the report.
  EXPECT_TRUE(app.Run(kCreateCue).empty());
  EXPECT_TRUE(app.Run(kCreateLbl).empty());
  ASSERT_TRUE(Appears("mix.cue"));
  ASSERT_TRUE(Appears("mix.lbl"));
  EXPECT_EQ(ReadText(Beside("mix.cue")).rfind("FILE mix.WAV WAVE\r\n TRACK 01 AUDIO\r\n", 0), 0u);
  EXPECT_EQ(ReadText(Beside("mix.lbl")).rfind("#mix\r\n  1 ", 0), 0u);
  EXPECT_EQ(LastCommandTraced(scratch), kCreateHtml);
  EXPECT_EQ(app.ShellLog().size(), 1u);
}

TEST_F(Outputs, AFileThatCannotBeCreatedIsNamedAndTheOthersComplete) {
  // Folders where the first split list and the report would go.
  std::filesystem::create_directories(scratch.Work + "\\mix-001.M3U");
  std::filesystem::create_directories(scratch.Work + "\\mix.html");
  App app(scratch, ("\"" + KnownList() + "\"").c_str());
  WaitPlanned(app);
  if (HasFatalFailure()) return;

  for (auto [id, failing] : {std::pair<int, const char*>{kSplitLists, "mix-001.M3U"},
                             std::pair<int, const char*>{kCreateHtml, "mix.html"}}) {
    bool finished = false;
    std::vector<Box> boxes = app.Run(id, [&](const Box& box) { app.Press(box, IDOK); }, &finished);
    EXPECT_TRUE(finished);
    ASSERT_EQ(boxes.size(), 1u) << failing;
    EXPECT_EQ(boxes[0].Caption, kCannotOpen);
    EXPECT_EQ(boxes[0].Text, Beside(failing));
  }
  EXPECT_TRUE(Appears("mix-002.M3U"));
  EXPECT_TRUE(app.Run(kCreateCue).empty());
  EXPECT_TRUE(Appears("mix.cue"));
  EXPECT_TRUE(app.ShellLog().empty()) << "a report that was not written was opened";
}

TEST_F(Outputs, ThreeListsDroppedOnCreateHtmlWithAutomaticRepeatGiveThreeReports) {
  App app(scratch, nullptr);
  ASSERT_NE(app.Main(), nullptr) << app.State();
  ASSERT_TRUE(TurnOnAutomaticRepeat(app)) << "no automatic repeat in the Options dialog";

  std::vector<std::string> files;
  for (const char* name : {"one.m3u", "two.m3u", "three.m3u"}) files.push_back(KnownList(name));
  ASSERT_TRUE(app.Drop(files, app.CentreOf(kCreateHtml), kPatienceMs));
  ASSERT_TRUE(app.WaitForShellLog(3)) << "fewer than three reports were opened";
  const std::vector<std::string> opened = app.ShellLog();
  for (size_t i = 0; i < 3; ++i) {
    std::string page = files[i].substr(0, files[i].size() - 4) + ".html";
    EXPECT_EQ(opened[i], "html " + page);
  }
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return t.rfind("three.m3u", 0) == 0; }));
}

}  // namespace
}  // namespace e2e
