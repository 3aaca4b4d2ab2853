// Start-up: the command line, the last file from the settings, the splash,
// the marquee and the way out.
#include "tests/e2e/fixture.h"

namespace e2e {
namespace {

using StartUp = VoltrakTest;

bool Named(const std::string& title, const char* name) { return title.rfind(name, 0) == 0; }

TEST_F(StartUp, QuotedCommandLineLoadsThatPlaylistAndRemembersIt) {
  const std::string list = KnownList();
  App app(scratch, ("\"" + list + "\"").c_str());
  REQUIRE_CONTROL(app, kFillMode, "planning");
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "mix.m3u"); }))
      << app.Title();
  EXPECT_EQ(app.Text(kTotalKB), "10");
  // Every load stores the path it loaded.
  EXPECT_TRUE(WaitUntil([&] { return IniValue(scratch.SettingsFile, "Options", "File") == list; }));
  EXPECT_TRUE(app.Close());
  EXPECT_EQ(app.ExitCode(), 0u);
}

TEST_F(StartUp, TextAfterTheClosingQuoteLosesOnlyTheLastCharacter) {
  const std::string list = KnownList();
  // The path becomes `...mix.m3u" ` which names no file: the load reports it.
  App app(scratch, ("\"" + list + "\" x").c_str());
  REQUIRE_CONTROL(app, kFillMode, "planning");
  // The system's own words for the error name the reporting site.
  const std::string reason = PressCannotOpen(app, list + "\" ");
  EXPECT_NE(reason.find(" lookup from line "), std::string::npos) << reason;
  // The path is stored all the same (read back, the profile functions trim the space).
  EXPECT_TRUE(WaitUntil([&] {
    return ReadText(scratch.SettingsFile).find("File=" + list + "\"") != std::string::npos;
  })) << ReadText(scratch.SettingsFile);
}

TEST_F(StartUp, WithoutArgumentsTheLastFileIsLoaded) {
  const std::string list = KnownList("last.m3u");
  WriteText(scratch.SettingsFile, "[Options]\r\nFile=" + list + "\r\n");
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kFillMode, "planning");
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "last.m3u"); }))
      << app.Title();
}

TEST_F(StartUp, WithNothingToLoadTheWindowShowsThePlanOfNoList) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kFillMode, "planning");
  EXPECT_TRUE(Named(app.Title(), "Voltrak - ")) << app.Title();
  EXPECT_EQ(app.Text(kPlayListTotal), "");
  EXPECT_EQ(app.Text(kTotalKB), "0");
}

TEST_F(StartUp, AStoredTimeModeShowsTheFirstMediumsCapacityAndLeavingItKeepsIt) {
  WriteText(scratch.SettingsFile, "[Options]\r\nFillMode=1\r\n");
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kFillMode, "planning");
  EXPECT_EQ(app.Selection(kFillMode), 1);
  EXPECT_TRUE(Named(app.Title(), "Voltrak - ")) << app.Title();
  EXPECT_EQ(app.Text(kPlayListTotal), "0:00:00");
  EXPECT_EQ(app.Text(kMedium), "1:20:00");
  EXPECT_EQ(app.Text(kReserve), "0:00:00");
  EXPECT_EQ(app.Text(kTotalKB), "0");
  // Leaving the field evaluates what it shows: the capacity stays.
  ASSERT_TRUE(app.Focus(kMedium));
  ASSERT_TRUE(app.Focus(kReserve));
  EXPECT_TRUE(WaitUntil([&] { return app.Focused() == app.Item(kReserve); }));
  EXPECT_EQ(app.Text(kMedium), "1:20:00");
}

TEST_F(StartUp, ARelativeNameIsTakenFromTheCurrentFolder) {
  const std::string list = KnownList();
  // Started as from a console in the playlist's folder.
  App app(scratch, "mix.m3u");
  REQUIRE_CONTROL(app, kFillMode, "planning");
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "mix.m3u"); }))
      << app.Title();
  EXPECT_EQ(app.Text(kTotalKB), "10") << "the tracks beside the playlist were not found";
  EXPECT_TRUE(WaitUntil([&] { return IniValue(scratch.SettingsFile, "Options", "File") == list; }))
      << IniValue(scratch.SettingsFile, "Options", "File");
}

TEST_F(StartUp, SplashShowsCentredAndGoesAway) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kBuildDate, "window initialisation");
  HWND splash = nullptr;
  DWORD pid = app.Pid();
  // The splash lives half a second: look for it often.
  ASSERT_TRUE(WaitUntil([&] {
    splash = FindWindowA("zorv", nullptr);
    DWORD owner = 0;
    if (splash) GetWindowThreadProcessId(splash, &owner);
    return splash && owner == pid;
  })) << "no splash window";
  RECT rect{};
  GetWindowRect(splash, &rect);
  EXPECT_EQ(rect.right - rect.left, 382);
  EXPECT_EQ(rect.bottom - rect.top, 88);
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 382) / 2);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 88) / 2);
  const LONG style = GetWindowLongA(splash, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_EX_TOPMOST);
  EXPECT_TRUE(style & WS_EX_TOOLWINDOW);
  EXPECT_EQ(TextOf(splash), "");
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(splash); }, 5000)) << "the splash stayed";
  EXPECT_TRUE(app.Running());
}

TEST_F(StartUp, MarqueeStepsThroughItsFiveTexts) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kMarquee, "marquee");
  const std::string address = app.Text(kMarquee);
  // Each expiry of timer 0 moves one text on; sent here rather than waited for.
  auto tick = [&] {
    app.Send(WM_TIMER, 0, 0);
    return app.Text(kMarquee);
  };
  const std::string credit = tick();
  EXPECT_FALSE(credit.empty());
  EXPECT_NE(credit, address);
  EXPECT_EQ(tick(), address);
  EXPECT_EQ(tick(), app.Text(kBuildDate));
  EXPECT_EQ(tick(), app.Text(kBuildTime));
  EXPECT_EQ(tick(), "Voltrak");
  EXPECT_EQ(tick(), credit);
}

TEST_F(StartUp, BuildStampReadsLikeTheCompilersDate) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kBuildDate, "build stamp");
  const std::string date = app.Text(kBuildDate), time = app.Text(kBuildTime);
  ASSERT_EQ(date.size(), 11u) << date;
  EXPECT_TRUE(date[3] == ' ' && date[6] == ' ') << date;
  ASSERT_EQ(time.size(), 8u) << time;
  EXPECT_TRUE(time[2] == ':' && time[5] == ':') << time;
}

TEST_F(StartUp, ExitEndsTheProgramWithCodeZero) {
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kExit, "Exit");
  EXPECT_EQ(app.Text(kExit), "Exit");
  app.Click(kExit);
  ASSERT_TRUE(app.WaitForExit()) << "Exit did not end the program";
  EXPECT_EQ(app.ExitCode(), 0u);
}

}  // namespace
}  // namespace e2e
