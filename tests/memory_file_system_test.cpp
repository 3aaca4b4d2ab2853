#include "tests/memory_file_system.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

namespace voltrak::testing {
namespace {

using Op = MemoryFileSystem::Op;

TEST(MemoryFileSystem, InjectedFailureHitsTheChosenCallOnly) {
  const std::string a = "C:\\m\\a.mp3";
  const std::vector<std::pair<Op, std::function<uint32_t(MemoryFileSystem&, int)>>> cases = {
      {Op::kOpen, [&](MemoryFileSystem& fs, int) { std::string s; return ReadWholeFile(fs, a, &s); }},
      {Op::kCreate,
       [&](MemoryFileSystem& fs, int i) {
         uint32_t e;
         return fs.CreateNew(a + std::to_string(i), &e) ? 0 : e;
       }},
      {Op::kWrite,
       [&](MemoryFileSystem& fs, int i) {
         uint32_t e = 0;
         auto file = fs.CreateNew(a + std::to_string(i), &e);
         file->Write("x");
         return file->Close();
       }},
      {Op::kRename, [&](MemoryFileSystem& fs, int i) { return fs.Rename(a, a + std::to_string(i)); }},
      {Op::kReplace, [&](MemoryFileSystem& fs, int) { return fs.Replace(a, a + "x"); }},
      {Op::kIdentify, [&](MemoryFileSystem& fs, int) { FileIdentity id; return fs.Identify(a, &id); }},
      {Op::kDelete, [&](MemoryFileSystem& fs, int) { return fs.Delete(a); }},
      {Op::kCreateFolder,
       [&](MemoryFileSystem& fs, int i) { return fs.CreateFolder("C:\\m\\" + std::to_string(i)); }},
      {Op::kGetTimes, [&](MemoryFileSystem& fs, int) { FileTimes t; return fs.GetTimes(a, &t); }},
      {Op::kSetTimes, [&](MemoryFileSystem& fs, int) { return fs.SetTimes(a, FileTimes{1, 2, 3}); }},
  };
  for (const auto& [op, call] : cases) {
    MemoryFileSystem fs;
    fs.FailNext(op, kErrorSharingViolation, 1);
    std::vector<uint32_t> results;
    for (int i = 0; i < 3; ++i) {
      fs.Put(a, "abc");
      results.push_back(call(fs, i));
    }
    EXPECT_EQ(results, (std::vector<uint32_t>{0, kErrorSharingViolation, 0})) << int(op);
    EXPECT_EQ(fs.Calls(op), 3u) << int(op);
  }

  MemoryFileSystem fs;
  fs.Put(a, "abc");
  fs.FailNext(Op::kOpen, MemoryFileSystem::kThrowBadAlloc);
  std::string contents;
  EXPECT_THROW(ReadWholeFile(fs, a, &contents), std::bad_alloc);
  EXPECT_EQ(ReadWholeFile(fs, a, &contents), 0u);
  fs.FailOpenOf("c:\\M\\A.MP3", kErrorNotReady);
  EXPECT_EQ(ReadWholeFile(fs, a, &contents), kErrorNotReady);
  EXPECT_EQ(ReadWholeFile(fs, a, &contents), kErrorNotReady);
}

TEST(MemoryFileSystem, BehavesLikeADisk) {
  MemoryFileSystem fs;
  fs.Put("C:\\m\\a.mp3", "abc");
  fs.Put("C:\\m\\b.mp3", "b");
  EXPECT_EQ(fs.Rename("C:\\m\\a.mp3", "c:\\M\\B.MP3"), kErrorAlreadyExists);
  EXPECT_EQ(fs.Get("C:\\m\\b.mp3"), "b");
  EXPECT_EQ(fs.Rename("C:\\m\\none.mp3", "C:\\m\\c.mp3"), kErrorFileNotFound);
  EXPECT_EQ(fs.Rename("C:\\m", "C:\\n"), 0u);
  EXPECT_EQ(fs.Files(), (std::vector<std::string>{"C:\\n\\a.mp3", "C:\\n\\b.mp3"}));

  uint32_t error = 0;
  EXPECT_FALSE(fs.CreateNew("C:\\m\\x.txt", &error));
  EXPECT_EQ(error, kErrorPathNotFound);
  EXPECT_FALSE(fs.CreateNew("c:\\N\\A.mp3", &error));
  EXPECT_EQ(error, kErrorFileExists);
  // Two names of one file: the same bytes and identity, until one is replaced.
  fs.Link("C:\\n\\a.mp3", "C:\\n\\.\\a.mp3");
  FileIdentity first, second;
  fs.Put("C:\\n\\.\\a.mp3", "new");
  EXPECT_EQ(fs.Get("C:\\n\\a.mp3"), "new");
  EXPECT_TRUE(SameFile(fs, "C:\\n\\a.mp3", "C:\\n\\.\\a.mp3"));
  EXPECT_EQ(fs.Replace("C:\\n\\b.mp3", "C:\\n\\.\\a.mp3"), 0u);
  EXPECT_EQ(fs.Get("C:\\n\\a.mp3"), "new");
  EXPECT_EQ(fs.Get("C:\\n\\.\\a.mp3"), "b");
  EXPECT_FALSE(SameFile(fs, "C:\\n\\a.mp3", "C:\\n\\.\\a.mp3"));
  EXPECT_EQ(fs.Identify("C:\\n\\b.mp3", &first), kErrorFileNotFound);
  std::string contents;
  EXPECT_EQ(ReadWholeFile(fs, "C:\\n", &contents), kErrorAccessDenied);
  EXPECT_EQ(ReadWholeFile(fs, "C:\\n\\" + std::string(kMaxPathLength, 'x'), &contents),
            kErrorFilenameTooLong);

  fs.DiskFullAfter(5);
  auto file = fs.CreateNew("C:\\n\\out.txt", &error);
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->Write("abc"));
  EXPECT_FALSE(file->Write("defg"));
  EXPECT_EQ(fs.Get("C:\\n\\out.txt"), "abcde");
  EXPECT_EQ(file->Close(), kErrorDiskFull);
}

}  // namespace
}  // namespace voltrak::testing
