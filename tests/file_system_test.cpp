#include <gtest/gtest.h>

#include "support/drive_map.h"
#include "support/file_system.h"
#include "tests/test_support.h"

namespace voltrak {
namespace {

using testing::ScratchFolder;

TEST(FileSystem, WritesReadsRenamesAndDeletes) {
  ScratchFolder folder;
  FileSystem& files = SystemFileSystem();
  folder.Write("a.txt", std::string(300, 'a') + std::string(128, 't'));
  uint64_t size = 0;
  unsigned char tail[128];
  size_t got = 0;
  ASSERT_EQ(files.ReadTail(folder / "a.txt", &size, tail, sizeof tail, &got), 0u);
  EXPECT_EQ(size, 428u);
  EXPECT_EQ(got, 128u);
  EXPECT_EQ(tail[0], 't');
  EXPECT_EQ(files.ReadTail(folder / "none.txt", &size, tail, sizeof tail, &got), kErrorFileNotFound);
  EXPECT_NE(files.ReadTail(folder.Path(), &size, tail, sizeof tail, &got), 0u);  // a folder

  folder.Write("b.txt", "b");
  EXPECT_EQ(files.Rename(folder / "a.txt", folder / "b.txt"), kErrorAlreadyExists);
  EXPECT_EQ(folder.Read("b.txt"), "b");
  ASSERT_EQ(files.Rename(folder / "a.txt", folder / "c.txt"), 0u);
  EXPECT_EQ(folder.Read("c.txt").size(), 428u);
  EXPECT_EQ(files.Delete(folder / "c.txt"), 0u);
  EXPECT_NE(files.Delete(folder / "c.txt"), 0u);

  EXPECT_EQ(files.CreateFolder(folder / "sub"), 0u);
  EXPECT_EQ(files.CreateFolder(folder / "sub"), kErrorAlreadyExists);
  EXPECT_NE(files.CreateFolder(folder / "x\\y"), 0u);

  FileTimes times;
  ASSERT_EQ(files.GetTimes(folder / "b.txt", &times), 0u);
  times.Written = 132000000000000000ull;  // 2019
  times.Accessed = times.Written;
  ASSERT_EQ(files.SetTimes(folder / "b.txt", times), 0u);
  FileTimes back;
  ASSERT_EQ(files.GetTimes(folder / "b.txt", &back), 0u);
  EXPECT_EQ(back.Written, times.Written);
}

#ifndef _WIN32
TEST(DriveMap, NamesPathsTheWayWineDoes) {
  EXPECT_EQ(ToWindowsPath("/tmp/x/mix.m3u"), "Z:\\tmp\\x\\mix.m3u");
  EXPECT_EQ(*ToPosixPath("Z:\\tmp\\x\\a.mp3"), "/tmp/x/a.mp3");
  EXPECT_EQ(*ToPosixPath("z:/tmp/a.mp3"), "/tmp/a.mp3");
  EXPECT_FALSE(ToPosixPath("\\\\server\\share\\a.mp3"));
  EXPECT_FALSE(ToPosixPath("Q:\\a.mp3"));
  EXPECT_EQ(*ToPosixPath("Music\\a.mp3"), "Music/a.mp3");
  MapDrive('m', "/srv/music/");
  EXPECT_EQ(*ToPosixPath("M:\\Rock\\a.mp3"), "/srv/music/Rock/a.mp3");
  EXPECT_EQ(ToWindowsPath("/srv/music/Rock/a.mp3"), "M:\\Rock\\a.mp3");
  EXPECT_EQ(ToWindowsPath("/srv/musicals/a.mp3"), "Z:\\srv\\musicals\\a.mp3");
  MapDrive('M', "");
  EXPECT_FALSE(ToPosixPath("M:\\a.mp3"));
}

TEST(FileSystem, FindsNamesSpelledInAnotherCase) {
  ScratchFolder folder;
  ASSERT_EQ(SystemFileSystem().CreateFolder(folder / "Rock"), 0u);
  folder.Write("Rock\\Song.MP3", "x");
  std::string contents;
  EXPECT_EQ(SystemFileSystem().ReadAll(folder / "ROCK\\song.mp3", &contents), 0u);
  EXPECT_EQ(contents, "x");
}
#endif

}  // namespace
}  // namespace voltrak
