// The player link against a stand-in player of our own: the list it holds
// now and its position, the file commands such a list locks, the list left
// behind when no player runs or one never answers, the note left in its
// folder, and the plug-in's master playlist.
#include <memory>

#include "outputs/clipboard_text.h"
#include "tests/e2e/fixture.h"

namespace e2e {
namespace {

const char kNotice[] =
    "---\r\n\r\nWinAmp is not running at the time this message was posted.\r\n\r\n";

// A stand-in player holding `list` at entry `position`, ended with the case
// by its own id.
class StandInPlayer {
 public:
  StandInPlayer(const std::string& folder, const std::string& list, int position, bool answers) {
    std::string line = "\"" + WindowsPath(VOLTRAK_STAND_IN_PLAYER) + "\" \"" + folder + "\" \"" +
                       list + "\" " + std::to_string(position) + (answers ? "" : " --never-answer");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process_)) {
      WaitUntil([] { return FindWindowA("Winamp v1.x", nullptr) != nullptr; });
    }
  }
  ~StandInPlayer() {
    if (!process_.hProcess) return;
    TerminateProcess(process_.hProcess, 0);
    WaitForSingleObject(process_.hProcess, kPatienceMs);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  StandInPlayer(const StandInPlayer&) = delete;
  StandInPlayer& operator=(const StandInPlayer&) = delete;

 private:
  PROCESS_INFORMATION process_{};
};

class Player : public VoltrakTest {
 protected:
  // The player's folder is the work folder. The list the player left there
  // names one known track (3 KB); the list it holds now, all four (10 KB).
  void SetUp() override {
    VoltrakTest::SetUp();
    WritePlaylist(scratch.Work, "winamp.m3u", {60}, {5});
    current = KnownList();
    UsePlayerFolder(scratch.Work);
  }
  void UsePlayerFolder(const std::string& folder) {
    WriteText(scratch.SettingsFile, "[Directories]\r\nWinAmp=" + folder + "\r\n");
  }
  // "Split lists", "Copy tracks" and "Launch": 1 enabled, 0 disabled.
  static std::string FileCommands(App& app) {
    std::string states;
    for (int id : {kSplitLists, kCopyTracks, kLaunch}) states += IsWindowEnabled(app.Item(id)) ? '1' : '0';
    return states;
  }
  std::string LastFile() { return IniValue(scratch.SettingsFile, "Options", "File"); }

  std::string current;
};

TEST_F(Player, ARunningPlayersListLoadsAtItsPositionAndLocksTheFileCommands) {
  StandInPlayer player(scratch.Work, current, 2, true);
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kWinAmp, "WinAmp");
  EXPECT_TRUE(app.Run(kWinAmp).empty());
  EXPECT_EQ(app.Text(kTotalKB), "10");
  EXPECT_EQ(LastFile(), scratch.Work + "\\winamp.m3u");
  EXPECT_EQ(TraceCount(scratch, "PlayerListPosition 2\r\n"), 1u);
  EXPECT_EQ(FileCommands(app), "000");
  EXPECT_EQ(ReadText(scratch.Work + "\\VOLTRAK.SIG"), "") << "only a missing player is noted";
  // Reopen keeps the list the player's; a drop makes the list the user's own.
  ASSERT_TRUE(app.SendCommand(kReopen, kPatienceMs));
  EXPECT_EQ(FileCommands(app), "000");
  ASSERT_TRUE(app.Drop({current}, POINT{2, 2}, kPatienceMs));
  EXPECT_EQ(FileCommands(app), "111");
}

TEST_F(Player, WithoutAnAnsweringPlayerTheListItLeftLoadsAndItsFolderIsNoted) {
  const struct {
    const char* what;
    std::string folder;
    bool silentPlayer;
  } cases[] = {
      {"no player", scratch.Work, false},
      {"a final backslash", scratch.Work + "\\", false},
      {"a player that never answers", scratch.Work, true},
  };
  for (const auto& c : cases) {
    UsePlayerFolder(c.folder);
    WriteText(scratch.Work + "\\VOLTRAK.SIG", std::string(200, '#'));
    std::unique_ptr<StandInPlayer> player;
    if (c.silentPlayer) player = std::make_unique<StandInPlayer>(scratch.Work, current, 2, false);
    App app(scratch, nullptr);
    REQUIRE_CONTROL(app, kWinAmp, "WinAmp");
    std::vector<Box> boxes = app.Run(kWinAmp);
    ASSERT_EQ(boxes.size(), 1u) << c.what;
    EXPECT_EQ(boxes[0].Caption, "Warning!") << c.what;
    EXPECT_EQ(boxes[0].Text,
              "Could not locate a running copy of Winamp; loading play list at time of last use.");
    EXPECT_EQ(app.Text(kTotalKB), "3") << c.what;
    EXPECT_EQ(LastFile(), scratch.Work + "\\winamp.m3u") << c.what;
    EXPECT_EQ(ReadText(scratch.Work + "\\VOLTRAK.SIG"), kNotice) << c.what;
    EXPECT_EQ(FileCommands(app), "111") << c.what;
  }
}

TEST_F(Player, AnEmptyPlayerFolderIsTheRootOfTheCurrentDrive) {
  UsePlayerFolder("");
  const std::string drive = scratch.Work.substr(0, 2);  // where the program starts
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kWinAmp, "WinAmp");
  std::vector<Box> boxes = app.Run(kWinAmp);
  // The warning, then the load's own report of the missing list.
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Caption, "Warning!");
  EXPECT_EQ(boxes[1].Caption, "Can not open selected file");
  EXPECT_EQ(boxes[1].Text, drive + "\\winamp.m3u");
  EXPECT_EQ(ReadText(drive + "\\VOLTRAK.SIG"), kNotice);
  DeleteFileA((drive + "\\VOLTRAK.SIG").c_str());
}

TEST_F(Player, ThePluginsMasterPlaylistLeavesWhoseListItIs) {
  const std::string master = KnownList("master.m3u");
  StandInPlayer player(scratch.Work, current, 0, true);
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kPlugin, "plug-in");
  std::vector<Box> boxes = app.Run(kPlugin);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, "Error");
  EXPECT_EQ(boxes[0].Text,
            "The WinAmp plug-in is not properly configured.\n\n"
            "Please configure Voltrak to interact with WinAmp, launch WinAmp, and configure the "
            "plug-in.\n\n"
            "Specifically, to use this function, you must configure the WinAmp plug-in's \"Master "
            "M3U File\" option.\n\n"
            "After doing so, clicking on this button will cause Voltrak to load the play list "
            "specified in the WinAmp plug-in.");

  EXPECT_TRUE(app.Run(kWinAmp).empty());
  WriteText(scratch.Work + "\\Plugins\\plugin.ini",
            "[Tallyquill_ZORv]\r\nM3UFileName=" + master + "\r\n");
  EXPECT_TRUE(app.Run(kPlugin).empty());
  EXPECT_EQ(app.Title().rfind("master.m3u", 0), 0u) << app.Title();
  EXPECT_EQ(FileCommands(app), "000");
}

TEST_F(Player, CopyToClipboardGivesTheTrackThePlayerIsOnNow) {
  ClearClipboard();
  StandInPlayer player(scratch.Work, current, 2, true);
  App app(scratch, nullptr);
  REQUIRE_CONTROL(app, kWinAmp, "WinAmp");
  EXPECT_TRUE(app.Run(kWinAmp).empty());
  EXPECT_TRUE(app.Run(kCopyClipboard).empty());
  EXPECT_EQ(ClipboardText(), std::string("Harness - Track 3\r\n") + voltrak::kLyricsSite +
                                 "/lyrics/harness/known_numbers/track_3");
  // The player was asked again, and its reload repeats nothing.
  EXPECT_EQ(TraceCount(scratch, "PlayerListPosition 2\r\n"), 2u);
  EXPECT_EQ(LastCommandTraced(scratch), 0);
}

}  // namespace
}  // namespace e2e
