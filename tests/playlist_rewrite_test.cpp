#include "playlist/playlist_rewrite.h"

#include <gtest/gtest.h>

#include <functional>

#include "playlist/message_box.h"
#include "tests/memory_file_system.h"
#include "tests/test_support.h"

namespace voltrak {
namespace {

using testing::MemoryFileSystem;
using Op = MemoryFileSystem::Op;

// 12:40:45 on 4 July 2005.
LocalTime July4th() {
  LocalTime t;
  t.Year = 2005;
  t.Month = 7;
  t.Day = 4;
  t.Hour = 12;
  t.Minute = 40;
  t.Second = 45;
  return t;
}

class RecordingHost : public RewriteHost {
 public:
  int ShowMessage(std::string_view text, std::string_view caption, uint32_t) override {
    Boxes.push_back(std::string(caption) + ": " + std::string(text));
    return kAnswerOk;
  }
  void Reload() override { ++Reloads; }
  std::vector<std::string> Boxes;
  int Reloads = 0;
};

TEST(BackupNameOf, DatedBeforeTheExtensionOrBakWithoutOne) {
  testing::FixedClock clock(July4th());
  const struct {
    const char* path;
    const char* backup;
  } cases[] = {
      {"C:\\Lists\\mix.m3u", "C:\\Lists\\mix-20050704124045.m3u"},
      {"C:\\Lists\\a.b.m3u", "C:\\Lists\\a.b-20050704124045.m3u"},
      {"C:\\Lists\\mix", "C:\\Lists\\mix.bak"},
      {"C:\\My.Lists\\mix", "C:\\My.Lists\\mix.bak"},
  };
  for (const auto& c : cases) EXPECT_EQ(BackupNameOf(c.path, clock.Now()), c.backup);
}

class RewriteTest : public ::testing::Test {
 protected:
  const std::string path = "C:\\Lists\\mix.m3u";
  const std::string backup = "C:\\Lists\\mix-20050704124045.m3u";
  const std::string old = "#EXTM3U\r\nold.mp3\r\n";

  void SetUp() override {
    files.Put(path, old);
    MP3Information record;
    record.SetTexts("#EXTINF:60,New", "new.mp3");
    playlist.Tracks.push_back(std::move(record));
  }
  RewriteOutcome Rewrite() { return RewritePlaylist(path, playlist, files, clock, host); }

  MemoryFileSystem files;
  testing::FixedClock clock{July4th()};
  RecordingHost host;
  Playlist playlist;
};

TEST_F(RewriteTest, WritesTheListAfterADatedBackupAndReloads) {
  RewriteOutcome outcome = Rewrite();
  EXPECT_TRUE(outcome.Written);
  EXPECT_EQ(outcome.Backup, backup);
  EXPECT_EQ(files.Get(path), "#EXTM3U\r\n#EXTINF:60,New\r\nnew.mp3\r\n");
  EXPECT_EQ(files.Get(backup), old);
  EXPECT_EQ(files.Files(), (std::vector<std::string>{backup, path}));  // nothing left over
  EXPECT_EQ(host.Boxes, std::vector<std::string>{"Renaming old play list.: " + backup});
  EXPECT_EQ(host.Reloads, 1);
}

TEST_F(RewriteTest, AnExtensionlessPlaylistReplacesItsBakQuietly) {
  files.Put("C:\\My.Lists\\mix", old);
  files.Put("C:\\My.Lists\\mix.bak", "older");
  EXPECT_TRUE(RewritePlaylist("C:\\My.Lists\\mix", playlist, files, clock, host).Written);
  EXPECT_EQ(files.Get("C:\\My.Lists\\mix.bak"), old);
  EXPECT_TRUE(host.Boxes.empty());
}

TEST_F(RewriteTest, ABackupOfTheSameSecondIsNotOverwritten) {
  files.Put(backup, "an earlier rewrite");
  EXPECT_FALSE(Rewrite().Written);
  EXPECT_EQ(host.Boxes.back(), "Error: Could not create a backup file!");
  EXPECT_EQ(files.Get(backup), "an earlier rewrite");
  EXPECT_EQ(files.Get(path), old);
  EXPECT_EQ(files.Files(), (std::vector<std::string>{backup, path}));
}

// Under the scratch name a file of the user's, or a link planted to one
// elsewhere: neither is written through, and the playlist is no link to it.
TEST_F(RewriteTest, WhatIsUnderTheScratchNameIsLeftAlone) {
  const std::string mine = path + ".new.tmp";
  files.Put("C:\\Other\\target", "mine");
  files.Link("C:\\Other\\target", mine);
  EXPECT_TRUE(Rewrite().Written);
  EXPECT_EQ(files.Get(path), "#EXTM3U\r\n#EXTINF:60,New\r\nnew.mp3\r\n");
  EXPECT_EQ(files.Files(),
            (std::vector<std::string>{backup, path, mine, "C:\\Other\\target"}));
  EXPECT_EQ(files.Get("C:\\Other\\target"), "mine");
  EXPECT_FALSE(SameFile(files, path, mine));
}

// The ".bak" of an extensionless playlist goes only when the new one takes
// its place: a rewrite that fails before keeps it.
TEST_F(RewriteTest, AFailedRewriteKeepsTheOldBak) {
  for (auto fail : {std::function<void(MemoryFileSystem&)>(
                        [](MemoryFileSystem& f) { f.DiskFullAfter(5); }),
                    std::function<void(MemoryFileSystem&)>([](MemoryFileSystem& f) {
                      f.FailNext(Op::kReplace, kErrorAccessDenied);
                    })}) {
    MemoryFileSystem disk;
    disk.Put("C:\\l\\mix", old);
    disk.Put("C:\\l\\mix.bak", "older");
    fail(disk);
    RecordingHost seen;
    EXPECT_FALSE(RewritePlaylist("C:\\l\\mix", playlist, disk, clock, seen).Written);
    EXPECT_EQ(disk.Get("C:\\l\\mix.bak"), "older");
    EXPECT_EQ(disk.Get("C:\\l\\mix"), old);
    EXPECT_EQ(disk.Files().size(), 2u);
  }
}

// Wherever the disk lets the rewrite down, the playlist's name still holds a
// whole list, nothing half written is loaded, and the user hears of it.
TEST_F(RewriteTest, NoFailureLosesThePlaylist) {
  const struct {
    const char* what;
    std::function<void(MemoryFileSystem&)> fail;
    const char* box;  // the last box's caption and text start
    bool backupKept;
  } cases[] = {
      {"create refused", [](MemoryFileSystem& f) { f.FailNext(Op::kCreate, kErrorAccessDenied); },
       "Can not open selected file: C:\\Lists\\mix.m3u", false},
      {"write cut short", [](MemoryFileSystem& f) { f.DiskFullAfter(12); },
       "Can not open selected file: C:\\Lists\\mix.m3u", false},
      {"disk full at the close", [](MemoryFileSystem& f) { f.FailNext(Op::kClose, kErrorDiskFull); },
       "Can not open selected file: C:\\Lists\\mix.m3u", false},
      {"backup refused", [](MemoryFileSystem& f) { f.FailNext(Op::kRename, kErrorAlreadyExists); },
       "Error: Could not create a backup file!", false},
      {"new list refused its place",
       [](MemoryFileSystem& f) { f.FailNext(Op::kRename, kErrorAccessDenied, 1); },
       "Can not open selected file: C:\\Lists\\mix.m3u", false},
      {"and the old one refused its way back",
       [](MemoryFileSystem& f) {
         f.FailNext(Op::kRename, kErrorAccessDenied, 1);
         f.FailNext(Op::kRename, kErrorAccessDenied, 1);
       },
       "Error: The playlist could not be written. Its old content is in "
       "\"C:\\Lists\\mix-20050704124045.m3u\".",
       true},
  };
  for (const auto& c : cases) {
    MemoryFileSystem disk;
    disk.Put(path, old);
    c.fail(disk);
    RecordingHost seen;
    RewriteOutcome outcome = RewritePlaylist(path, playlist, disk, clock, seen);
    EXPECT_FALSE(outcome.Written) << c.what;
    EXPECT_EQ(seen.Reloads, 0) << c.what;
    ASSERT_FALSE(seen.Boxes.empty()) << c.what;
    EXPECT_EQ(seen.Boxes.back().rfind(c.box, 0), 0u) << c.what << ": " << seen.Boxes.back();
    // No backup is announced that did not come to be.
    EXPECT_EQ(seen.Boxes.size(), 1u) << c.what << ": " << seen.Boxes.front();
    if (c.backupKept) {
      EXPECT_EQ(disk.Get(backup), old) << c.what;
      EXPECT_EQ(outcome.Backup, backup);
    } else {
      EXPECT_EQ(disk.Get(path), old) << c.what;
      EXPECT_EQ(disk.Files(), std::vector<std::string>{path}) << c.what;
    }
  }
}

}  // namespace
}  // namespace voltrak
