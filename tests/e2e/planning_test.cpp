// The plan as the window shows it: title and read-outs in each fill mode,
// capacity expressions typed into the fields, the medium list and the
// volume limit.
#include "tests/e2e/fixture.h"

namespace e2e {
namespace {

class Planning : public VoltrakTest {
 protected:
  // Starts with the known list on the command line and waits for its plan.
  void Start() {
    app_ = std::make_unique<App>(scratch, ("\"" + KnownList() + "\"").c_str());
    ASSERT_NE(app_->Main(), nullptr);
    ASSERT_TRUE(app_->Has(kFillMode)) << "no fill mode list (1057) in the window";
    ASSERT_TRUE(app_->WaitForTitle([](const std::string& t) { return t.rfind("mix.m3u", 0) == 0; }))
        << app_->Title();
  }
  // Changes something and waits for the title it should give.
  void ExpectTitle(const std::string& title) {
    EXPECT_TRUE(app_->WaitForTitle([&](const std::string& t) { return t == title; }))
        << "title: " << app_->Title() << "\nwanted: " << title;
  }
  void ExpectReadOuts(const char* total, const char* medium, const char* reserve) {
    EXPECT_EQ(app_->Text(kPlayListTotal), total);
    EXPECT_EQ(app_->Text(kMedium), medium);
    EXPECT_EQ(app_->Text(kReserve), reserve);
    EXPECT_EQ(app_->Text(kTotalKB), "10");
  }
  std::unique_ptr<App> app_;
};

TEST_F(Planning, TitleAndReadOutsInEachFillMode) {
  Start();
  if (HasFatalFailure()) return;
  EXPECT_EQ(app_->RowText(kFillMode, 0), "No Splitting");
  EXPECT_EQ(app_->RowText(kFillMode, 1), "Split by time");
  EXPECT_EQ(app_->RowText(kFillMode, 2), "Split by size");
  EXPECT_EQ(app_->Selection(kFillMode), 0);
  ExpectTitle("mix.m3u");
  ExpectReadOuts("", "", "");

  // 2000 + 2000 fit into 4800 s; 800 does not fit the 800 s left.
  app_->Select(kFillMode, 1);
  ExpectTitle("mix.m3u - (2/2)  1:21:40/ 1:20:00");
  ExpectReadOuts("1:21:40", "1:20:00", "0:00:00");

  app_->Select(kFillMode, 2);
  ExpectTitle("mix.m3u - (1) 10 716800");
  ExpectReadOuts("10", "716800", "0");

  app_->Select(kFillMode, 0);
  ExpectTitle("mix.m3u");
  ExpectReadOuts("", "", "");
}

TEST_F(Planning, CapacityExpressionsTakeEffectWhenTheFocusMovesOn) {
  Start();
  if (HasFatalFailure()) return;
  app_->Select(kFillMode, 1);
  ExpectTitle("mix.m3u - (2/2)  1:21:40/ 1:20:00");

  ASSERT_TRUE(app_->TypeAndLeave(kMedium, "+5:00", kReserve));
  ExpectTitle("mix.m3u - (1/1)  1:21:40/ 1:25:00");
  EXPECT_EQ(app_->Text(kMedium), "1:25:00");

  ASSERT_TRUE(app_->TypeAndLeave(kMedium, "-5:00", kReserve));
  ExpectTitle("mix.m3u - (2/2)  1:21:40/ 1:20:00");

  // The first volume keeps 1200 s: the first track opens volume 1.
  ASSERT_TRUE(app_->TypeAndLeave(kReserve, "1:00:00", kMedium));
  ExpectTitle("mix.m3u - (3/2)  1:21:40/ 1:20:00");
  EXPECT_EQ(app_->Text(kReserve), "1:00:00");
  ASSERT_TRUE(app_->TypeAndLeave(kReserve, "0", kMedium));

  ASSERT_TRUE(app_->TypeAndLeave(kMedium, "5:00", kReserve));
  ExpectTitle("mix.m3u - (5/17)  1:21:40/ 0:05:00");

  // In size mode the same field holds kilobytes.
  app_->Select(kFillMode, 2);
  ASSERT_TRUE(app_->TypeAndLeave(kMedium, "5", kReserve));
  ExpectTitle("mix.m3u - (4) 10 5");
  EXPECT_EQ(app_->Text(kMedium), "5");

  // With no splitting the text is read and nothing changes.
  app_->Select(kFillMode, 0);
  ExpectTitle("mix.m3u");
  ASSERT_TRUE(app_->TypeAndLeave(kMedium, "1", kReserve));
  app_->Select(kFillMode, 2);
  ExpectTitle("mix.m3u - (4) 10 5");
}

TEST_F(Planning, MediumListAndVolumeLimit) {
  Start();
  if (HasFatalFailure()) return;
  ASSERT_EQ(app_->RowCount(kMediumList), 17);
  EXPECT_EQ(app_->Selection(kMediumList), 0);
  EXPECT_EQ(app_->RowText(kMediumList, 0), "CDR (80mins,700mb)");
  EXPECT_EQ(app_->RowText(kMediumList, 4), "MiniDisc (74 MDLP) (74mins,0mb)");
  EXPECT_EQ(app_->RowText(kMediumList, 10), "DVD-R???? (0mins,4796mb)");
  EXPECT_EQ(app_->RowText(kMediumList, 16), "Weeks (10080mins,0mb)");

  app_->Select(kFillMode, 1);
  app_->Select(kMediumList, 2);  // Mini-CDR, 1260 s: the long tracks sit alone
  ExpectTitle("mix.m3u - (4/4)  1:21:40/ 0:21:00");
  EXPECT_EQ(app_->Text(kMedium), "0:21:00");

  // Limit 1: everything past volume 1 joins it.
  SendMessageA(app_->Item(kMaximumVolumes), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1"));
  ExpectTitle("mix.m3u - (2/4)  1:21:40/ 0:21:00");
  SendMessageA(app_->Item(kMaximumVolumes), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("0"));
  ExpectTitle("mix.m3u - (4/4)  1:21:40/ 0:21:00");

  // Choosing a medium sets both capacities; a MiniDisc has no size, so in
  // size mode the title keeps only the name.
  app_->Select(kFillMode, 2);
  ExpectTitle("mix.m3u - (1) 10 189440");
  app_->Select(kMediumList, 4);
  ExpectTitle("mix.m3u");
  app_->Select(kMediumList, 10);
  ExpectTitle("mix.m3u - (1) 10 4911104");
}

// A list without #EXTINF: lines, as find makes them: each track's length is
// measured from its file, and the plan by time shows their total. Off in
// the Options dialog, a reload has no lengths again, and the choice is kept.
TEST_F(Planning, AnUntimedListIsPlannedByTheLengthsOfItsFiles) {
  WriteText(scratch.SettingsFile, "[Options]\r\nFillMode=1\r\n");
  std::string text;
  for (const char* file : {"one.mp3", "two.mp3", "three.mp3"}) {
    // Ten seconds each at 128 kbit/s, and a tag.
    voltrak::WriteTrackFile(voltrak::SystemFileSystem(), scratch.Work + "\\" + file, 160128, true,
                            "Song", "Band", "Album");
    text += std::string(file) + "\r\n";
  }
  WriteText(scratch.Work + "\\untimed.m3u", text);
  App app(scratch, ("\"" + scratch.Work + "\\untimed.m3u\"").c_str());
  EXPECT_TRUE(app.WaitForTitle(
      [](const std::string& t) { return t == "untimed.m3u - (1/1)  0:00:30/ 1:20:00"; }))
      << app.Title();
  bool switched = false;
  app.Run(kOptions, [&](const Box& dialog) {
    for (HWND child = GetWindow(dialog.Window, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (TextOf(child) != "Measure untimed tracks") continue;
      EXPECT_EQ(SendMessageA(child, BM_GETCHECK, 0, 0), BST_CHECKED);
      SendMessageA(child, BM_CLICK, 0, 0);
      switched = true;
    }
    app.Press(dialog, IDOK);
  });
  ASSERT_TRUE(switched) << "no \"Measure untimed tracks\" in the Options dialog";
  app.PostCommand(kReopen);
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return t == "untimed.m3u"; }))
      << app.Title();
  ASSERT_TRUE(app.Close());
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Options", "MeasureUntimed"), "0");
}

}  // namespace
}  // namespace e2e
