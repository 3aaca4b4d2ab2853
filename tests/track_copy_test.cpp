// The track copy: its names and folder, and that every copy is whole with
// its times, or reported and gone.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "outputs/track_copy.h"
#include "tests/memory_file_system.h"
#include "tests/test_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "support/drive_map.h"
#include "support/unique_handle.h"
#endif

namespace voltrak {
namespace {

using testing::MemoryFileSystem;
using Op = MemoryFileSystem::Op;

class RecordingCopyHost : public CopyHost {
 public:
  std::vector<std::string> Calls;
  std::vector<std::string> Copies;  // each copy's destination
  uint32_t Tracks = 0;
  void NextTrack(uint32_t) override { ++Tracks; }
  void Copied(std::string_view, std::string_view destination) override {
    Copies.emplace_back(destination);
  }
  void Failed(CopyFailure what, std::string_view path, uint32_t error) override {
    Calls.push_back(std::to_string(static_cast<int>(what)) + " " + std::string(path) + " " +
                    std::to_string(error));
  }
};

MP3Information Entry(const char* info, const char* path) {
  MP3Information record;
  record.SetTexts(info ? std::optional<std::string_view>(info) : std::nullopt, path);
  return record;
}

TEST(CopyNameTest, ByInformationAndByFile) {
  struct Case {
    const char* Info;
    const char* Path;
    uint32_t Index;
    int ByInfo, Strip;
    const char* Expected;
  };
  const Case cases[] = {
      {"#EXTINF:1,Artist - Title: Remix?", "C:\\m\\x.mp3", 0, 1, 1, "001-Artist - Title Remix.mp3"},
      {nullptr, "C:\\m\\03 Song.mp3", 0, 1, 1, "001-03 Songmp3.mp3"},
      {"#EXTINF:1,a|b\x01<c>*\"/\\d", "C:\\m\\x.mp3", 0, 1, 1, "001-abcd.mp3"},
      // No extension to keep; a full stop in a folder name is none.
      {"#EXTINF:1,Name", "C:\\m\\track", 0, 1, 1, "001-Name"},
      {"#EXTINF:1,Name", "C:\\My.Music\\track", 0, 1, 1, "001-Name"},
      {nullptr, "C:\\m\\07 - Song.mp3", 6, 0, 1, "007-Song.mp3"},
      {nullptr, "C:\\m\\07Song.mp3", 6, 0, 1, "007-Song.mp3"},
      {nullptr, "C:\\m\\123.mp3", 6, 0, 1, "007-.mp3"},
      {nullptr, "C:\\m\\12 34", 6, 0, 1, "007-12 34"},
      {nullptr, "C:\\m\\07 - Song.mp3", 1, 0, 0, "002-07 - Song.mp3"},
      {nullptr, "Song.mp3", 999, 0, 1, "1000-Song.mp3"},
      // A name from the list that would leave the folder or name a stream.
      {nullptr, "..\\x/../../evil.mp3", 1, 0, 1, "002-evil.mp3"},
      {nullptr, "C:a?.mp3", 1, 0, 0, "002-Ca.mp3"},
      {"#EXTINF:1,Name", "C:\\m\\a.mp3:x|y", 0, 1, 1, "001-Name.mp3xy"},
  };
  for (const Case& c : cases) {
    OptionFlags options;
    options.CopyNameByInfo = c.ByInfo;
    options.CopyStripNumbers = c.Strip;
    EXPECT_EQ(CopyName(Entry(c.Info, c.Path), c.Index, options), c.Expected) << c.Path;
  }
}

TEST(CopyFolderTest, ChosenAsChosenCancelledBesideThePlaylist) {
  struct Case {
    std::optional<std::string> Chosen;
    const char* Playlist;
    const char* Expected;
  };
  const Case cases[] = {
      {"D:\\My.Music\\CD1", "C:\\l\\a.m3u", "D:\\My.Music\\CD1\\"},
      {"D:\\burn", "C:\\l\\a.m3u", "D:\\burn\\"},
      {"D:\\", "C:\\l\\a.m3u", "D:\\"},
      {std::nullopt, "C:\\lists\\party.m3u", "C:\\lists\\party"},
      {std::nullopt, "C:\\My.Lists\\party", "C:\\My.Lists\\party-tracks"},
  };
  for (const Case& c : cases) EXPECT_EQ(CopyFolder(c.Chosen, c.Playlist), c.Expected);
}

// Whole copies with times; empty and self copies skipped; a missing source named.
TEST(CopyTracksTest, CopiesWholeWithTimesAndSkipsWhatItMust) {
  MemoryFileSystem files;
  const std::string big(3 * (1 << 20) + 17, 'x');
  files.Put("C:\\l\\07 - a.mp3", big);
  files.Put("C:\\l\\empty.mp3", "");
  files.Put("C:\\out\\003-self.mp3", "self");
  Playlist list;
  list.Tracks.push_back(Entry(nullptr, "07 - a.mp3"));
  list.Tracks.push_back(Entry(nullptr, "empty.mp3"));
  list.Tracks.push_back(Entry(nullptr, "C:\\out\\003-self.mp3"));
  list.Tracks.push_back(Entry(nullptr, "gone.mp3"));
  OptionFlags options;
  options.CopyNameByInfo = 0;
  RecordingCopyHost host;

  CopyResult result = CopyTracks(list, options, "C:\\l\\x.m3u", CopyFolder("C:\\out", ""), files, host);

  EXPECT_EQ(host.Tracks, 4u);
  EXPECT_EQ(result.Copied, 1u);
  EXPECT_EQ(result.Skipped, 2u);
  EXPECT_EQ(result.Failures, 1u);
  EXPECT_EQ(files.Get("C:\\out\\001-a.mp3"), big);
  FileTimes source, copy;
  files.GetTimes("C:\\l\\07 - a.mp3", &source);
  files.GetTimes("C:\\out\\001-a.mp3", &copy);
  EXPECT_EQ(copy.Created, source.Created);
  EXPECT_EQ(copy.Accessed, source.Accessed);
  EXPECT_EQ(copy.Written, source.Written);
  EXPECT_FALSE(files.Exists("C:\\out\\002-empty.mp3"));
  EXPECT_EQ(files.Get("C:\\out\\003-self.mp3"), "self");
  EXPECT_EQ(host.Calls, std::vector<std::string>{"0 C:\\l\\gone.mp3 2"});
}

// Disc by disc: a folder per volume that holds tracks, each numbered from 1.
TEST(CopyTracksTest, PerVolumeEachVolumeHasAFolderNumberedFromOne) {
  MemoryFileSystem files;
  Playlist list;
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
    files.Put("C:\\l\\" + std::string(name), name);
    list.Tracks.push_back(Entry(nullptr, name));
  }
  list.Tracks[1].Volume = list.Tracks[2].Volume = 2;  // volume 1 is empty
  OptionFlags options;
  options.CopyNameByInfo = 0;
  RecordingCopyHost host;
  CopyTracks(list, options, "C:\\l\\x.m3u", "C:\\out\\", files, host, CopyLayout::kPerVolume);
  EXPECT_EQ(host.Copies, (std::vector<std::string>{"C:\\out\\Volume 01\\001-a.mp3",
                                                   "C:\\out\\Volume 03\\001-b.mp3",
                                                   "C:\\out\\Volume 03\\002-c.mp3"}));
  EXPECT_EQ(files.Get("C:\\out\\Volume 03\\002-c.mp3"), "c.mp3");
  EXPECT_FALSE(files.Exists("C:\\out\\Volume 02"));
  EXPECT_EQ(VolumeFolderName(4, 100), "Volume 005");
  EXPECT_EQ(VolumeFolderName(99, 100), "Volume 100");
}

// A destination that is a file the run reads, under any name, is never
// written through: the source itself is skipped, and another track's source
// or the playlist is refused. Each of these destroyed a source once.
TEST(CopyTracksTest, NoCopyTakesThePlaceOfAFileTheRunReads) {
  MemoryFileSystem files;
  files.Put("C:\\x\\mix.m3u", "list");
  files.Put("C:\\x\\001-a.mp3", "first");    // copied into its own folder
  files.Link("C:\\x\\001-a.mp3", "C:\\x\\.\\001-a.mp3");
  files.Put("C:\\x\\b.mp3", "second");       // its copy name is the next source
  files.Put("C:\\x\\002-b.mp3", "third");
  files.Put("C:\\x\\l.mp3", "fourth");       // a hard link of its copy name
  files.Link("C:\\x\\l.mp3", "C:\\x\\004-l.mp3");
  files.Put("C:\\x\\m.mp3", "fifth");        // its copy name is the playlist's
  files.Link("C:\\x\\mix.m3u", "C:\\x\\005-m.mp3");
  Playlist list;
  for (const char* path : {".\\001-a.mp3", "b.mp3", "002-b.mp3", "l.mp3", "m.mp3"}) {
    list.Tracks.push_back(Entry(nullptr, path));
  }
  OptionFlags options;
  options.CopyNameByInfo = 0;
  RecordingCopyHost host;

  CopyResult result = CopyTracks(list, options, "C:\\x\\mix.m3u", "C:\\x\\", files, host);

  EXPECT_EQ(result.Skipped, 2u);  // 001-a.mp3 and 004-l.mp3 are their own sources
  EXPECT_EQ(result.Copied, 1u);   // 003-b.mp3
  EXPECT_EQ(host.Calls, (std::vector<std::string>{"5 C:\\x\\002-b.mp3 5",
                                                  "5 C:\\x\\005-m.mp3 5"}));
  const std::pair<const char*, const char*> kept[] = {
      {"001-a.mp3", "first"}, {"b.mp3", "second"}, {"002-b.mp3", "third"},
      {"003-b.mp3", "third"}, {"l.mp3", "fourth"}, {"mix.m3u", "list"}};
  for (const auto& [name, bytes] : kept) {
    EXPECT_EQ(files.Get("C:\\x\\" + std::string(name)), bytes) << name;
  }
}

// Whatever fails on the way is reported once and leaves no partial copy.
TEST(CopyTracksTest, AFailedCopyIsReportedAndRemoved) {
  struct Case {
    const char* Name;
    std::function<void(MemoryFileSystem&)> Arrange;
    const char* Expected;
  };
  const Case cases[] = {
      {"refused create", [](MemoryFileSystem& f) { f.FailNext(Op::kCreate, kErrorAccessDenied); },
       "2 C:\\out\\a.mp3 5"},
      {"disk full", [](MemoryFileSystem& f) { f.DiskFullAfter(1000); }, "4 C:\\out\\a.mp3 112"},
      {"failed close", [](MemoryFileSystem& f) { f.FailNext(Op::kClose, kErrorDiskFull); },
       "4 C:\\out\\a.mp3 112"},
      {"failed read", [](MemoryFileSystem& f) { f.FailNext(Op::kRead, kErrorReadFault, 1); },
       "3 C:\\in\\a.mp3 30"},
      {"too long", [](MemoryFileSystem&) {}, nullptr},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files;
    files.Put("C:\\in\\a.mp3", std::string(2 * (1 << 20) + 5, 'a'));
    files.PutFolder("C:\\out");
    c.Arrange(files);
    RecordingCopyHost host;
    std::string destination = c.Expected ? "C:\\out\\a.mp3"
                                         : "C:\\out\\" + std::string(kMaxPathLength, 'n');
    EXPECT_EQ(CopyFileKeepTimes(files, host, "C:\\in\\a.mp3", destination), CopyOutcome::kFailed)
        << c.Name;
    std::string expected = c.Expected ? c.Expected : "2 " + destination + " 206";
    EXPECT_EQ(host.Calls, std::vector<std::string>{expected}) << c.Name;
    EXPECT_EQ(files.Files(), std::vector<std::string>{"C:\\in\\a.mp3"}) << c.Name;
  }
}

// Times the source will not give, or the copy will not take, leave the copy
// whole and unreported: the bytes are what counts.
TEST(CopyTracksTest, TimesThatCannotBeKeptDoNotFailTheCopy) {
  for (Op op : {Op::kGetTimes, Op::kSetTimes}) {
    MemoryFileSystem files;
    files.Put("C:\\in\\a.mp3", "bytes");
    files.PutFolder("C:\\out");
    files.FailNext(op, kErrorAccessDenied);
    RecordingCopyHost host;
    EXPECT_EQ(CopyFileKeepTimes(files, host, "C:\\in\\a.mp3", "C:\\out\\a.mp3"),
              CopyOutcome::kCopied);
    EXPECT_EQ(files.Get("C:\\out\\a.mp3"), "bytes");
    EXPECT_TRUE(host.Calls.empty());
  }
}

TEST(CopyTracksTest, RealFilesKeepTheirBytesAndTimes) {
  testing::ScratchFolder scratch;
  FileSystem& files = SystemFileSystem();
  std::string bytes = testing::TrackBytes(1500000, "Title", "Artist");
  scratch.Write("src.mp3", bytes);
  const FileTimes old = {131000000000000000ull, 131100000000000000ull, 131200000000000000ull};
  ASSERT_EQ(files.SetTimes(scratch / "src.mp3", old), 0u);
  RecordingCopyHost host;

  ASSERT_EQ(CopyFileKeepTimes(files, host, scratch / "src.mp3", scratch / "copy.mp3"),
            CopyOutcome::kCopied);
  FileTimes copy;
  ASSERT_EQ(files.GetTimes(scratch / "copy.mp3", &copy), 0u);
  EXPECT_EQ(copy.Accessed, old.Accessed);
  EXPECT_EQ(copy.Written, old.Written);
  EXPECT_EQ(scratch.Read("copy.mp3"), bytes);  // after the times: reading moves the access time
  files.Delete(scratch / "copy.mp3");
  files.Delete(scratch / "src.mp3");
}

#ifndef _WIN32
// Takes the size and a few blocks of what is written, and keeps nothing
// else: a copy of more than 4 GiB costs no disk.
class SamplingFiles : public MemoryFileSystem {
 public:
  std::vector<uint64_t> At;
  std::string Samples;
  uint64_t Written = 0;
  std::unique_ptr<InputFile> Open(std::string_view path, uint32_t* error) override {
    return SystemFileSystem().Open(path, error);
  }
  uint32_t GetTimes(std::string_view path, FileTimes* times) override {
    return SystemFileSystem().GetTimes(path, times);
  }
  std::unique_ptr<OutputFile> CreateNew(std::string_view, uint32_t* error) override {
    *error = 0;
    return std::make_unique<Sampler>(*this);
  }
  uint32_t Replace(std::string_view, std::string_view) override { return 0; }

 private:
  struct Sampler : OutputFile {
    explicit Sampler(SamplingFiles& owner) : owner_(owner) {}
    bool Write(std::string_view bytes) override {
      for (uint64_t at : owner_.At) {
        if (at >= owner_.Written && at < owner_.Written + bytes.size()) {
          owner_.Samples += bytes.substr(at - owner_.Written, 8);
        }
      }
      owner_.Written += bytes.size();
      return true;
    }
    uint32_t Close() override { return 0; }
    SamplingFiles& owner_;
  };
};

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(CopyTracksTest, AFileOfMoreThanFourGibibytesIsCopiedWholeInLittleMemory) {
  testing::ScratchFolder scratch;
  const std::string source = scratch / "big.mp3";
  const uint64_t size = (uint64_t{1} << 32) + 4096 + 77;
  SamplingFiles files;
  // Away from the ends of the copy's pieces, so that no sample straddles two writes.
  files.At = {0, (uint64_t{1} << 32) - 4096, uint64_t{1} << 32, size - 8};
  {
    Descriptor fd(open(ToPosixPath(source)->c_str(), O_WRONLY | O_CREAT, 0644));
    ASSERT_TRUE(fd);
    ASSERT_EQ(ftruncate(fd.Get(), static_cast<off_t>(size)), 0);
    for (size_t i = 0; i < files.At.size(); ++i) {
      std::string mark = "mark" + std::to_string(1000 + i);
      ASSERT_EQ(pwrite(fd.Get(), mark.data(), 8, static_cast<off_t>(files.At[i])), 8);
    }
  }
  RecordingCopyHost host;
  const long before = PeakKilobytes();

  EXPECT_EQ(CopyFileKeepTimes(files, host, source, "C:\\out\\big.mp3"), CopyOutcome::kCopied);

  EXPECT_EQ(files.Written, size);
  EXPECT_EQ(files.Samples, "mark1000mark1001mark1002mark1003");
  EXPECT_LT(PeakKilobytes() - before, 64 * 1024);
  EXPECT_TRUE(host.Calls.empty());
  SystemFileSystem().Delete(source);
}
#endif

}  // namespace
}  // namespace voltrak
