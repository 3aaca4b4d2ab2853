#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support/drive_map.h"
#include "support/file_system.h"
#include "support/unique_handle.h"
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

// What writes rest on: a new file never takes a name that is taken, nor
// follows a link there; Replace puts a whole file in place; and a file is
// known by who it is, not by the name that reached it.
TEST(FileSystem, CreatesOnlyNewNamesAndKnowsAFileByItsIdentity) {
  ScratchFolder folder;
  FileSystem& files = SystemFileSystem();
  folder.Write("a.mp3", "source");
  folder.CreateFolder("sub");
  uint32_t error = 0;
  EXPECT_FALSE(files.CreateNew(folder / "a.mp3", &error));
  EXPECT_EQ(error, kErrorFileExists);
  EXPECT_FALSE(files.CreateNew(folder / "sub", &error));
  EXPECT_EQ(folder.Read("a.mp3"), "source");
#ifdef _WIN32
  ASSERT_TRUE(CreateHardLinkA((folder / "hard.mp3").c_str(), (folder / "a.mp3").c_str(), nullptr));
#else
  ASSERT_EQ(link(folder.Native("a.mp3").c_str(), folder.Native("hard.mp3").c_str()), 0);
  ASSERT_EQ(symlink(folder.Native("a.mp3").c_str(), folder.Native("soft.mp3").c_str()), 0);
  ASSERT_EQ(symlink(folder.Native("nowhere").c_str(), folder.Native("dangling").c_str()), 0);
  EXPECT_FALSE(files.CreateNew(folder / "soft.mp3", &error));
  EXPECT_FALSE(files.CreateNew(folder / "dangling", &error));
  EXPECT_TRUE(SameFile(files, folder / "soft.mp3", folder / "a.mp3"));
  EXPECT_EQ(folder.Read("a.mp3"), "source");
#endif
  for (const char* alias : {"hard.mp3", "SUB\\..\\a.mp3", ".\\a.mp3", "sub\\..\\a.mp3"}) {
    EXPECT_TRUE(SameFile(files, folder / alias, folder / "a.mp3")) << alias;
  }
  // A file opened under another spelling of its name knows who it is.
  FileIdentity identity;
  ASSERT_EQ(files.Identify(folder / "a.mp3", &identity), 0u);
  auto opened = files.Open(folder / "A.MP3", &error);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->Identity(), identity);
  opened.reset();
  folder.Write("b.mp3", "b");
  EXPECT_FALSE(SameFile(files, folder / "b.mp3", folder / "a.mp3"));
  FileIdentity none;
  EXPECT_EQ(files.Identify(folder / "none.mp3", &none), kErrorFileNotFound);

  auto created = files.CreateNew(folder / "new.mp3", &error);
  ASSERT_TRUE(created);
  ASSERT_TRUE(created->Write("new"));
  ASSERT_EQ(created->Close(), 0u);
  ASSERT_EQ(files.Replace(folder / "new.mp3", folder / "hard.mp3"), 0u);
  EXPECT_EQ(folder.Read("hard.mp3"), "new");
  EXPECT_EQ(folder.Read("a.mp3"), "source");  // the other name keeps the old file
  EXPECT_EQ(files.Identify(folder / "new.mp3", &none), kErrorFileNotFound);
}

TEST(FileSystem, RefusesPathsHoldingANulByte) {
  ScratchFolder folder;
  folder.Write("a.mp3", "x");
  FileSystem& files = SystemFileSystem();
  const std::string file = folder / std::string("a.mp3\0x", 7);
  const std::string created = folder / std::string("b.mp3\0x", 7);
  uint64_t size = 0;
  size_t got = 0;
  std::string contents;
  FileTimes times;
  uint32_t error = 0;
  const std::vector<std::pair<const char*, std::function<uint32_t()>>> calls = {
      {"ReadTail", [&] { return files.ReadTail(file, &size, nullptr, 0, &got); }},
      {"ReadAll", [&] { return ReadWholeFile(files, file, &contents); }},
      {"CreateNew", [&] { return files.CreateNew(created, &error) ? 0u : error; }},
      {"Replace to", [&] { return files.Replace(folder / "a.mp3", created); }},
      {"Identify", [&] { FileIdentity id; return files.Identify(file, &id); }},
      {"Rename from", [&] { return files.Rename(file, folder / "c.mp3"); }},
      {"Rename to", [&] { return files.Rename(folder / "a.mp3", created); }},
      {"Delete", [&] { return files.Delete(file); }},
      {"CreateFolder", [&] { return files.CreateFolder(created); }},
      {"GetTimes", [&] { return files.GetTimes(file, &times); }},
      {"SetTimes", [&] { return files.SetTimes(file, times); }},
  };
  for (const auto& [name, call] : calls) EXPECT_EQ(call(), kErrorInvalidName) << name;
  EXPECT_EQ(ReadWholeFile(files, folder / "b.mp3", &contents), kErrorFileNotFound);
  EXPECT_EQ(folder.Read("a.mp3"), "x");
}

// The rules spelt out plainly: split at either separator, drop empty parts
// and ".", let ".." take the part before back, join, and end with the joiner
// when asked and `rest` did.
std::string ResolvedPlainly(std::string_view root, std::string_view rest,
                            std::string_view separators, char joiner, bool keepFinal) {
  std::vector<std::string> parts(1);
  for (char c : std::string(rest) + separators[0]) {
    if (separators.find(c) == std::string_view::npos) {
      parts.back() += c;
      continue;
    }
    std::string part = std::move(parts.back());
    parts.pop_back();
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    parts.emplace_back();
  }
  parts.pop_back();
  std::string result(root);
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) result += joiner;
    result += parts[i];
  }
  const bool ended = !rest.empty() && separators.find(rest.back()) != std::string_view::npos;
  if (keepFinal && ended && !parts.empty()) result += joiner;
  return result;
}

// Every short path of letters, dots and both separators, alone and after a
// part long enough to cross the sixteen bytes looked at together.
TEST(DriveMap, ResolvesEveryShortPathByTheRules) {
  const char alphabet[] = {'a', '.', '\\', '/'};
  for (std::string_view lead : {"", "abcdefghijklmno", "abcdefghijklmn\\"}) {
    for (size_t length = 0; length <= 7; ++length) {
      std::string rest(lead.size() + length, 'a');
      rest.replace(0, lead.size(), lead);
      for (size_t n = 0; n < (size_t{1} << (2 * length)); ++n) {
        for (size_t i = 0; i < length; ++i) rest[lead.size() + i] = alphabet[(n >> (2 * i)) & 3];
        for (std::string_view separators : {"\\/", "\\"}) {
          const char joiner = separators.back();
          const std::string root = std::string("R") + joiner;
          for (bool keepFinal : {false, true}) {
            const std::string want = ResolvedPlainly(root, rest, separators, joiner, keepFinal);
            const std::string got = ResolveBelow(root, rest, separators, joiner, keepFinal);
            if (got != want) {
              ADD_FAILURE() << "\"" << rest << "\" " << separators << " " << keepFinal << ": " << got
                            << " instead of " << want;
              return;
            }
          }
        }
      }
    }
  }
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

TEST(DriveMap, KeepsDotDotInsideTheDrive) {
  MapDrive('M', "/srv/music");
  const std::pair<std::string, std::string> cases[] = {
      {"M:\\..\\..\\etc\\passwd", "/srv/music/etc/passwd"},
      {"M:\\Rock\\..\\Pop\\a.mp3", "/srv/music/Pop/a.mp3"},
      {"M:\\.\\a.mp3", "/srv/music/a.mp3"},
      {"M:/Rock/./../../a.mp3", "/srv/music/a.mp3"},
      {"Z:\\tmp\\..\\..\\a", "/a"},
      {"M:\\Rock\\a.mp3", "/srv/music/Rock/a.mp3"},
      {"..\\Music\\a.mp3", "../Music/a.mp3"},  // relative: left to the system
  };
  for (const auto& [windows, posix] : cases) EXPECT_EQ(ToPosixPath(windows), posix) << windows;
  MapDrive('M', "");
}

// A name without a drive starts from the current folder, and one from the
// root from the root of the drive that holds the current folder.
TEST(DriveMap, NamesWithoutADriveStartFromTheCurrentFolder) {
  ScratchFolder folder;
  ASSERT_EQ(SystemFileSystem().CreateFolder(folder / "sub"), 0u);
  const std::string root = std::filesystem::canonical(*ToPosixPath(folder.Path())).string();
  const std::string saved = std::filesystem::current_path().string();
  ASSERT_EQ(chdir((root + "/sub").c_str()), 0);
  std::string windowsRoot = "Z:" + root;
  std::replace(windowsRoot.begin(), windowsRoot.end(), '/', '\\');
  EXPECT_EQ(ToWindowsPath("a.m3u"), windowsRoot + "\\sub\\a.m3u");
  EXPECT_EQ(ToPosixPath("\\tmp\\a.mp3"), "/tmp/a.mp3");
  MapDrive('M', root);
  EXPECT_EQ(ToWindowsPath("a.m3u"), "M:\\sub\\a.m3u");
  EXPECT_EQ(ToPosixPath("\\x\\..\\..\\a.mp3"), root + "/a.mp3");
  EXPECT_FALSE(ToPosixPath("1:\\a.mp3"));  // no drive letter
  MapDrive('M', "");
  EXPECT_EQ(chdir(saved.c_str()), 0);
}

// A FIFO or device must be refused at once, not waited on. Should the open
// block, the test opens the FIFO's other end to free it and fails.
TEST(FileSystem, RefusesFifosAndDevices) {
  ScratchFolder folder;
  const std::string fifo = folder / "pipe.mp3";
  const std::string fifoPosix = ToPosixPath(fifo).value_or("");
  ASSERT_EQ(mkfifo(fifoPosix.c_str(), 0666), 0);
  FileSystem& files = SystemFileSystem();
  for (const std::string& path : {fifo, std::string("Z:\\dev\\null")}) {
    for (bool whole : {false, true}) {
      auto result = std::async(std::launch::async, [&] {
        uint64_t size = 0;
        size_t got = 0;
        std::string contents;
        return whole ? ReadWholeFile(files, path, &contents) : files.ReadTail(path, &size, nullptr, 0, &got);
      });
      if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << path << " blocked";
        int writer = open(fifoPosix.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
      }
      EXPECT_EQ(result.get(), kErrorAccessDenied) << path << (whole ? " ReadAll" : " ReadTail");
    }
  }
}

TEST(FileSystem, FindsNamesSpelledInAnotherCase) {
  ScratchFolder folder;
  ASSERT_EQ(SystemFileSystem().CreateFolder(folder / "Rock"), 0u);
  folder.Write("Rock\\Song.MP3", "x");
  std::string contents;
  EXPECT_EQ(ReadWholeFile(SystemFileSystem(), folder / "ROCK\\song.mp3", &contents), 0u);
  EXPECT_EQ(contents, "x");
}

// Folder listings are remembered between lookups; a folder that changed
// since must be read again.
TEST(FileSystem, FindsOtherCaseAfterTheFolderChanged) {
  ScratchFolder folder;
  FileSystem& files = SystemFileSystem();
  std::string contents;
  ASSERT_EQ(files.CreateFolder(folder / "Rock"), 0u);
  folder.Write("Rock\\Song.MP3", "1");
  ASSERT_EQ(ReadWholeFile(files, folder / "ROCK\\song.mp3", &contents), 0u);
  EXPECT_EQ(ReadWholeFile(files, folder / "rock\\other.mp3", &contents), kErrorFileNotFound);

  folder.Write("Rock\\Other.Mp3", "2");
  EXPECT_EQ(ReadWholeFile(files, folder / "rock\\OTHER.MP3", &contents), 0u);
  EXPECT_EQ(contents, "2");

  ASSERT_EQ(files.Rename(folder / "Rock", folder / "Pop"), 0u);
  ASSERT_EQ(files.CreateFolder(folder / "Rock"), 0u);
  folder.Write("Rock\\SONG.mp3", "3");
  EXPECT_EQ(ReadWholeFile(files, folder / "rock\\song.MP3", &contents), 0u);
  EXPECT_EQ(contents, "3");
  EXPECT_EQ(ReadWholeFile(files, folder / "POP\\song.mp3", &contents), 0u);
  EXPECT_EQ(contents, "1");
}

// The last byte of a file as the load reads it, or the error.
std::pair<uint32_t, char> LastByte(const std::string& path) {
  uint64_t size = 0;
  unsigned char tail[1] = {0};
  size_t got = 0;
  uint32_t error = SystemFileSystem().ReadTail(path, &size, tail, 1, &got);
  return {error, static_cast<char>(tail[0])};
}

// A read batch keeps the folders it opens files from, and the one near
// them; what it reads after a folder changed must be what is there now.
TEST(FileSystem, ReadBatchesFollowFoldersThatChanged) {
  FileSystem& files = SystemFileSystem();
  auto posix = [](const std::string& windows) { return ToPosixPath(windows).value_or(""); };
  auto replaceOutside = [&](const ScratchFolder& f) {
    ASSERT_EQ(rename(posix(f / "Rock").c_str(), posix(f / "Old").c_str()), 0);
    ASSERT_EQ(mkdir(posix(f / "Rock").c_str(), 0777), 0);
    f.Write("Rock\\a.mp3", "2");
  };
  auto deleteOutside = [&](const ScratchFolder& f) {
    ASSERT_EQ(unlink(posix(f / "Rock\\a.mp3").c_str()), 0);
    ASSERT_EQ(rmdir(posix(f / "Rock").c_str()), 0);
  };
  const struct {
    const char* name;
    bool sameBatch;
    std::function<void(const ScratchFolder&)> change;
    std::pair<uint32_t, char> read;
  } cases[] = {
      {"replaced outside, next batch", false, replaceOutside, {0u, '2'}},
      {"replaced through the file system, same batch", true,
       [&](const ScratchFolder& f) {
         ASSERT_EQ(files.Rename(f / "Rock", f / "Old"), 0u);
         ASSERT_EQ(files.CreateFolder(f / "Rock"), 0u);
         f.Write("Rock\\a.mp3", "2");
       },
       {0u, '2'}},
      {"deleted, same batch", true, deleteOutside, {kErrorFileNotFound, 0}},
      {"deleted, next batch", false, deleteOutside, {kErrorFileNotFound, 0}},
  };
  for (bool near : {false, true}) {
    for (const auto& c : cases) {
      // The near folder is one above Rock, so that Rock is the one that changes.
      ScratchFolder folder;
      auto start = [&] { return std::make_unique<ReadBatch>(files, near ? folder.Path() : ""); };
      ASSERT_EQ(files.CreateFolder(folder / "Rock"), 0u);
      folder.Write("Rock\\a.mp3", "1");
      auto batch = start();
      EXPECT_EQ(LastByte(folder / "Rock\\a.mp3"), std::make_pair(0u, '1')) << c.name << near;
      if (!c.sameBatch) batch.reset();
      c.change(folder);
      if (!c.sameBatch) batch = start();
      EXPECT_EQ(LastByte(folder / "Rock\\a.mp3"), c.read) << c.name << near;
    }
  }
}

size_t OpenDescriptors() {
  size_t count = 0;
  FolderListing fds(opendir("/proc/self/fd"));
  while (fds && readdir(fds.Get()) != nullptr) ++count;
  return count;
}

// More folders than a batch may keep, with few descriptors to spare: every
// file still reads right, the batch keeps no more than its share, and when
// descriptors run out the kept folders give theirs back rather than fail a
// file.
TEST(FileSystem, ReadBatchesStayWithinTheDescriptorLimit) {
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  struct rlimit low = saved;
  low.rlim_cur = 64;  // a batch keeps at most 32 folders
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  ScratchFolder folder;
  FileSystem& files = SystemFileSystem();
  constexpr int kFolders = 45;
  auto name = [](int i) { return "f" + std::to_string(i); };
  auto readsRight = [&](int i) {
    EXPECT_EQ(LastByte(folder / (name(i) + "\\a.mp3")),
              std::make_pair(0u, static_cast<char>('0' + i))) << i;
  };
  for (int i = 0; i < kFolders; ++i) {
    ASSERT_EQ(files.CreateFolder(folder / name(i)), 0u);
    folder.Write(name(i) + "\\a.mp3", std::string(1, static_cast<char>('0' + i)));
  }
  const size_t before = OpenDescriptors();
  {
    ReadBatch batch(files);
    // Twice in a row each, as an album's tracks, then every other one
    // backwards, as a shuffled list.
    for (int i = 0; i < kFolders; ++i) {
      readsRight(i);
      readsRight(i);
    }
    for (int i = kFolders - 1; i >= 0; i -= 2) readsRight(i);
    EXPECT_LE(OpenDescriptors(), before + 32);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  {
    // Batches on several threads (a load's readers) share that bound.
    std::promise<void> go;
    std::shared_future<void> measured = go.get_future().share();
    std::vector<std::future<void>> readers;
    std::vector<std::promise<void>> kept(3);
    for (std::promise<void>& done : kept) {
      readers.push_back(std::async(std::launch::async, [&, measured] {
        ReadBatch batch(files);
        for (int i = 0; i < kFolders; ++i) readsRight(i), readsRight(i);
        done.set_value();
        measured.wait();
      }));
    }
    for (std::promise<void>& done : kept) done.get_future().wait();
    EXPECT_LE(OpenDescriptors(), before + 32);
    go.set_value();
  }
  EXPECT_EQ(OpenDescriptors(), before);
  {
    ReadBatch batch(files);
    for (int i = 0; i < 10; ++i) readsRight(i);
    std::vector<Descriptor> filler;  // every descriptor taken but one
    for (Descriptor fd(dup(0)); fd; fd = Descriptor(dup(0))) filler.push_back(std::move(fd));
    filler.pop_back();
    readsRight(10);
    readsRight(11);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  setrlimit(RLIMIT_NOFILE, &saved);
}
#endif

}  // namespace
}  // namespace voltrak
