// What outlives a run: the settings file with its range rules, the
// stay-on-top value in the registry, and the window position.
#include "tests/e2e/fixture.h"

namespace e2e {
namespace {

using Settings = VoltrakTest;

TEST_F(Settings, StoredModesGoThroughTheirRangeRules) {
  WriteText(scratch.SettingsFile,
            "[Options]\r\nFillMode=4\r\nPathMode=5\r\nDuplicateMode=7\r\n");
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kDuplicateMode, "mode lists");
  EXPECT_EQ(app.Selection(kFillMode), 1);       // "Split by time"
  EXPECT_EQ(app.Selection(kPathMode), 2);       // "Absolute Paths"
  EXPECT_EQ(app.Selection(kDuplicateMode), 3);  // "Keep Last Duplicates"
  const char* duplicates[] = {"Keep All Duplicates", "Query", "Keep First Duplicates",
                              "Keep Last Duplicates"};
  ASSERT_EQ(app.RowCount(kDuplicateMode), 4);
  for (int row = 0; row < 4; ++row) EXPECT_EQ(app.RowText(kDuplicateMode, row), duplicates[row]);
  const char* paths[] = {"Ignore Paths", "Relative Paths", "Absolute Paths"};
  ASSERT_EQ(app.RowCount(kPathMode), 3);
  for (int row = 0; row < 3; ++row) EXPECT_EQ(app.RowText(kPathMode, row), paths[row]);
}

TEST_F(Settings, ModesAndPositionRoundTrip) {
  RECT placed{};
  {
    App app(scratch, nullptr);
    REQUIRE_CONTROL(app, kDuplicateMode, "mode lists");
    EXPECT_EQ(app.Selection(kFillMode), 0);
    EXPECT_EQ(app.Selection(kPathMode), 0);
    EXPECT_EQ(app.Selection(kDuplicateMode), 0);
    app.Select(kFillMode, 2);
    app.Select(kPathMode, 1);
    app.Select(kDuplicateMode, 2);
    ASSERT_TRUE(WaitUntil([&] { return app.Title() != "Voltrak"; }));  // the plan ran
    placed = app.Rect();
    ASSERT_TRUE(app.Close());
  }
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Options", "FillMode"), "2");
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Options", "PathMode"), "1");
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Options", "DuplicateMode"), "2");
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Directories", "WinAmp"), "");
  // Nothing was loaded: no last file is written.
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Options", "File"), "\x01");
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Window", "X1"), std::to_string(placed.left));
  EXPECT_EQ(IniValue(scratch.SettingsFile, "Window", "Y1"), std::to_string(placed.top));

  App again(scratch, nullptr);
  ASSERT_NE(again.Main(), nullptr);
  EXPECT_EQ(again.Selection(kFillMode), 2);
  EXPECT_EQ(again.Selection(kPathMode), 1);
  EXPECT_EQ(again.Selection(kDuplicateMode), 2);
}

TEST_F(Settings, StoredPositionIsUsedOnlyWhenItFitsTheScreen) {
  RECT centred{};
  {
    App app(scratch, nullptr);
    REQUIRE_CONTROL(app, kExit, "settings");
    centred = app.Rect();
  }
  auto placedWith = [&](const char* x, const char* y) {
    WriteText(scratch.SettingsFile, std::string("[Window]\r\nX1=") + x + "\r\nY1=" + y + "\r\n");
    App app(scratch, nullptr);
    EXPECT_NE(app.Main(), nullptr);
    return app.Rect();
  };
  RECT rect = placedWith("100", "80");
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.top, 80);
  // Off the right edge, at coordinate 0, or a negative edge stored as unsigned.
  for (auto [x, y] : {std::pair{"5000", "80"}, std::pair{"0", "80"}, std::pair{"4294967196", "80"},
                      std::pair{"100", "700"}}) {
    rect = placedWith(x, y);
    EXPECT_EQ(rect.left, centred.left) << "X1=" << x << " Y1=" << y;
    EXPECT_EQ(rect.top, centred.top) << "X1=" << x << " Y1=" << y;
  }
}

TEST_F(Settings, AlwaysOnTopLivesInTheRegistry) {
  {
    App app(scratch, nullptr);
    REQUIRE_CONTROL(app, kAlwaysOnTop, "Always On Top");
    // The first run creates the value, off.
    EXPECT_TRUE(WaitUntil([] { return StoredAlwaysOnTop() == 0; })) << StoredAlwaysOnTop();
    EXPECT_FALSE(app.Topmost());
    app.Click(kAlwaysOnTop);
    ASSERT_TRUE(WaitUntil([&] { return app.Checked(kAlwaysOnTop); }));
    ASSERT_TRUE(app.Close());
  }
  EXPECT_EQ(StoredAlwaysOnTop(), 1);
  {
    App app(scratch, nullptr);
    ASSERT_NE(app.Main(), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return app.Topmost(); })) << "stored on, started not topmost";
    EXPECT_TRUE(app.Checked(kAlwaysOnTop));
    app.Click(kAlwaysOnTop);
    ASSERT_TRUE(WaitUntil([&] { return !app.Checked(kAlwaysOnTop) && !app.Topmost(); }));
    ASSERT_TRUE(app.Close());
  }
  EXPECT_EQ(StoredAlwaysOnTop(), 0);
  // Any value but 0 reads as on.
  StoreAlwaysOnTop(7);
  App app(scratch, nullptr);
  ASSERT_NE(app.Main(), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return app.Topmost() && app.Checked(kAlwaysOnTop); }));
  ASSERT_TRUE(app.Close());
  EXPECT_EQ(StoredAlwaysOnTop(), 1);
}

}  // namespace
}  // namespace e2e
