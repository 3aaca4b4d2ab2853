#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <utility>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "playlist/m3u_format.h"
#include "playlist/playlist_loader.h"
#include "playlist/track_read_ahead.h"
#include "tests/memory_file_system.h"
#include "tools/playlist_generator.h"
#include "tests/test_support.h"

namespace voltrak {
namespace {

using testing::ScratchFolder;
using testing::ScriptedLoadHost;
using testing::TrackBytes;

TEST(ResolveOpenPath, DrivesSharesRootsAndRelativePaths) {
  const std::string list = "C:\\Lists\\mix.m3u";
  EXPECT_EQ(ResolveOpenPath("a.mp3", list), "C:\\Lists\\a.mp3");
  EXPECT_EQ(ResolveOpenPath("\\Music\\a.mp3", list), "C:\\Music\\a.mp3");
  EXPECT_EQ(ResolveOpenPath("D:\\a.mp3", list), "D:\\a.mp3");
  EXPECT_EQ(ResolveOpenPath("\\\\srv\\m\\a.mp3", list), "\\\\srv\\m\\a.mp3");
  // A one-letter folder is a folder, not a share.
  EXPECT_EQ(ResolveOpenPath("A\\Abba\\song.mp3", list), "C:\\Lists\\A\\Abba\\song.mp3");
  EXPECT_EQ(ResolveOpenPath("a.mp3", "mix.m3u"), "a.mp3");
  // From the root of the share the playlist lies on.
  EXPECT_EQ(ResolveOpenPath("\\Music\\a.mp3", "\\\\srv\\share\\lists\\mix.m3u"),
            "\\\\srv\\share\\Music\\a.mp3");
}

// Forward slashes count as separators, and the path text stays as written.
TEST(ResolveOpenPath, ForwardSlashesSeparateAsBackslashesDo) {
  const char* const list = "C:\\Lists\\mix.m3u";
  struct {
    const char* path;
    const char* playlist;
    const char* opened;
  } cases[] = {
      {"/music/a.mp3", list, "C:/music/a.mp3"},
      {"C:/music/a.mp3", list, "C:/music/a.mp3"},
      {"//srv/m/a.mp3", list, "//srv/m/a.mp3"},
      {"/\\srv\\m\\a.mp3", list, "/\\srv\\m\\a.mp3"},
      {"rock/a.mp3", list, "C:\\Lists\\rock/a.mp3"},
      {"A/song.mp3", list, "C:\\Lists\\A/song.mp3"},
      // Drive Z: is the root on Linux: a list's absolute paths open as they are.
      {"/home/me/music/a.mp3", "Z:\\home\\me\\mix.m3u", "Z:/home/me/music/a.mp3"},
      {"/Music/a.mp3", "\\\\srv\\share\\lists\\mix.m3u", "\\\\srv\\share/Music/a.mp3"},
      {"a.mp3", "C:/Lists/mix.m3u", "C:/Lists/a.mp3"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveOpenPath(c.path, c.playlist), c.opened) << c.path;
}

Playlist ListOf(std::initializer_list<const char*> paths) {
  Playlist playlist;
  for (const char* path : paths) {
    MP3Information record;
    record.SetTexts(std::nullopt, path);
    playlist.Tracks.push_back(std::move(record));
  }
  return playlist;
}

std::vector<std::string> PathsOf(const Playlist& playlist) {
  std::vector<std::string> paths;
  for (const auto& record : playlist.Tracks) paths.emplace_back(*record.FilePath());
  return paths;
}

TEST(RepairPaths, AbsoluteMakesEveryDrivelessPathFull) {
  Playlist playlist = ListOf({"a.mp3", "\\Music\\b.mp3", "D:\\c.mp3", "A\\Abba\\d.mp3",
                              "\\\\srv\\e.mp3"});
  ScriptedLoadHost host;
  EXPECT_EQ(RepairPaths(kAbsolutePaths, "C:\\Lists\\mix.m3u", playlist, host), "Path changed.");
  EXPECT_EQ(PathsOf(playlist),
            (std::vector<std::string>{"C:\\Lists\\a.mp3", "C:\\Music\\b.mp3", "D:\\c.mp3",
                                      "C:\\Lists\\A\\Abba\\d.mp3", "\\\\srv\\e.mp3"}));
  EXPECT_EQ(*playlist.Tracks[3].TrackName(), "d.mp3");
  // Nothing to do when every path has a drive already.
  Playlist full = ListOf({"C:\\a.mp3"});
  EXPECT_EQ(RepairPaths(kAbsolutePaths, "C:\\Lists\\mix.m3u", full, host), "");
}

TEST(RepairPaths, RelativeCutsThePlaylistFolderOrTheDrive) {
  Playlist playlist = ListOf({"C:\\Lists\\Rock\\a.mp3", "C:\\Music\\b.mp3",
                              "C:\\Listsmore\\c.mp3", "D:\\d.mp3", "Cool\\e.mp3",
                              "c:\\lists\\f.mp3", "C:\\Lists\\#1 Hit.mp3", "C:#x", "C:"});
  ScriptedLoadHost host;
  EXPECT_EQ(RepairPaths(kRelativePaths, "C:\\Lists\\mix.m3u", playlist, host), "Path changed.");
  // A path that would be an empty or a "#" line keeps a form it can be written in.
  EXPECT_EQ(PathsOf(playlist),
            (std::vector<std::string>{"Rock\\a.mp3", "\\Music\\b.mp3", "\\Listsmore\\c.mp3",
                                      "D:\\d.mp3", "Cool\\e.mp3", "c:\\lists\\f.mp3",
                                      "\\Lists\\#1 Hit.mp3", "C:#x", "C:"}));
  Playlist driveless = ListOf({"Rock\\a.mp3", "\\x.mp3"});
  EXPECT_EQ(RepairPaths(kRelativePaths, "C:\\Lists\\mix.m3u", driveless, host), "");
  EXPECT_EQ(RepairPaths(kIgnorePaths, "C:\\Lists\\mix.m3u", playlist, host), "");
  EXPECT_TRUE(host.CallsStartingWith("box").empty());
}

TEST(RepairPaths, ForwardSlashesCountAsSeparators) {
  ScriptedLoadHost host;
  Playlist absolute = ListOf({"/Music/b.mp3", "//srv/e.mp3", "rock/a.mp3", "D:/c.mp3"});
  EXPECT_EQ(RepairPaths(kAbsolutePaths, "C:\\Lists\\mix.m3u", absolute, host), "Path changed.");
  EXPECT_EQ(PathsOf(absolute),
            (std::vector<std::string>{"C:/Music/b.mp3", "//srv/e.mp3", "C:/Lists/rock/a.mp3",
                                      "D:/c.mp3"}));
  EXPECT_EQ(*absolute.Tracks[2].TrackName(), "a.mp3");

  Playlist relative = ListOf({"C:/Lists/Rock/a.mp3", "C:/Music/b.mp3", "C:/Listsmore/c.mp3",
                              "/Lists/d.mp3"});
  EXPECT_EQ(RepairPaths(kRelativePaths, "C:\\Lists\\mix.m3u", relative, host), "Path changed.");
  EXPECT_EQ(PathsOf(relative), (std::vector<std::string>{"Rock/a.mp3", "/Music/b.mp3",
                                                         "/Listsmore/c.mp3", "/Lists/d.mp3"}));
}

class LoadTest : public ::testing::Test {
 protected:
  ScratchFolder folder;
  ScriptedLoadHost host;
  Playlist playlist;
  LoadSettings settings;

  void Load(std::string_view name = "mix.m3u") {
    settings.CurrentPlaylistPath = folder / name;
    LoadPlaylist(settings, playlist, SystemFileSystem(), host);
  }
};

TEST_F(LoadTest, MissingFileCountsAsErrorAndStaysInTheList) {
  folder.Write("a.mp3", TrackBytes(4096, "Alpha", "Band"));
  folder.Write("c.mp3", TrackBytes(1023));
  folder.Write("mix.m3u",
               "#EXTM3U\r\n#EXTINF:100,Band - Alpha\r\na.mp3\r\n#EXTINF:200,B\r\nb.mp3\r\n"
               "#EXTINF:-1,C\r\nc.mp3\r\n");
  Load();
  ASSERT_EQ(playlist.TrackCount(), 3u);
  EXPECT_EQ(playlist.LoadErrors, 1u);
  EXPECT_EQ(playlist.TotalSeconds, 300u);  // a missing file's length still counts
  EXPECT_EQ(playlist.TotalKB, 4u);
  const MP3Information& a = playlist.Tracks[0];
  EXPECT_EQ(a.FileSize, 4u);
  EXPECT_EQ(a.Loaded, 1);
  EXPECT_EQ(a.TagTitle(), "Alpha");
  EXPECT_EQ(a.TagArtist(), "Band");
  EXPECT_EQ(*a.TrackName(), "Band - Alpha");
  const MP3Information& b = playlist.Tracks[1];
  EXPECT_EQ(b.Loaded, 0);
  EXPECT_EQ(b.FileSize, 0u);
  EXPECT_EQ(b.Tag(), Id3v1Block{});
  EXPECT_EQ(b.PlayLength, 200u);
  EXPECT_EQ(playlist.Tracks[2].FileSize, 0u);  // 1023 bytes round down
  EXPECT_EQ(playlist.Tracks[2].PlayLength, 0u);
  EXPECT_EQ(playlist.Tracks[2].Tag(), Id3v1Block{});  // no "TAG" marker
  EXPECT_TRUE(host.CallsStartingWith("box").empty());
  EXPECT_EQ(host.ProgressSteps, 3u);
  EXPECT_EQ(host.PendingEventCalls, 3u);
  EXPECT_EQ(host.CallsStartingWith("trace Could not load \"" + (folder / "b.mp3")).size(), 1u);
  EXPECT_EQ(host.CallsStartingWith("trace Original file name is \"b.mp3\"").size(), 1u);
  EXPECT_EQ(host.CallsStartingWith("title "),
            (std::vector<std::string>{"title Loading \"mix.m3u\""}));
  EXPECT_EQ(host.CallsStartingWith("list replaced").size(), 1u);
}

// Lists shaped as other programs write them load as their authors meant.
TEST_F(LoadTest, ListsFromOtherPlayersKeepTimesTitlesAndAbsolutePaths) {
  ASSERT_EQ(SystemFileSystem().CreateFolder(folder / "music"), 0u);
  folder.Write("music\\alpha.mp3", TrackBytes(3072, "Alpha"));
  folder.Write("music\\beta.mp3", TrackBytes(2048, "Beta"));
  // The folder as a path from the root with forward slashes, as a Linux
  // player writes it: /tmp/voltrak-test-x/music here, /users/... under Wine.
  std::string root = (folder / "music").substr(2);
  for (char& c : root) c = c == '\\' ? '/' : c;
  struct Expected {
    const char* name;  // the display name, or null for one taken from the path
    uint32_t seconds;
    int loaded;
  };
  struct Case {
    const char* what;
    std::string text;
    std::vector<Expected> tracks;
  } cases[] = {
      {"VLC with its own options, LF",
       "#EXTM3U\n#EXTINF:215,Band - Alpha\n#EXTVLCOPT:start-time=12\n"
       "#EXTVLCOPT:network-caching=1000\nmusic/alpha.mp3\n#EXTINF:-1,Radio\n"
       "#EXTVLCOPT:http-user-agent=x\nhttp://radio.example/stream\n",
       {{"Band - Alpha", 215, 1}, {"Radio", 0, 0}}},
      {"a byte-order mark, CR LF, album and artist lines",
       "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:180,Beta\r\n#EXTALB:1999 Hits\r\n#EXTART:Band\r\n"
       "music\\beta.mp3\r\n#EXTGRP:Rock\r\n#EXTINF:215,Alpha\r\nmusic\\alpha.mp3\r\n",
       {{"Beta", 180, 1}, {"Alpha", 215, 1}}},
      {"a byte-order mark and no header",
       "\xEF\xBB\xBF#EXTINF:180,Beta\r\nmusic\\beta.mp3\r\n", {{"Beta", 180, 1}}},
      {"Linux absolute paths, LF",
       "#EXTM3U\n#EXTINF:215,Alpha\n" + root + "/alpha.mp3\n# a comment\n" + root +
           "/beta.mp3\n#EXTINF:60,Gone\n/nowhere/gone.mp3\n",
       {{"Alpha", 215, 1}, {nullptr, 0, 1}, {"Gone", 60, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    folder.Write("mix.m3u", c.text);
    Load();
    ASSERT_EQ(playlist.TrackCount(), c.tracks.size());
    uint32_t seconds = 0;
    for (size_t i = 0; i < c.tracks.size(); ++i) {
      const MP3Information& track = playlist.Tracks[i];
      EXPECT_EQ(track.PlayLength, c.tracks[i].seconds) << i;
      EXPECT_EQ(track.Loaded, c.tracks[i].loaded) << i;
      if (c.tracks[i].name) {
        EXPECT_EQ(track.TrackName().value_or(""), c.tracks[i].name) << i;
      }
      seconds += c.tracks[i].seconds;
    }
    EXPECT_EQ(playlist.TotalSeconds, seconds);
  }
  // The comment line stood before a path with no #EXTINF: pending, so it is
  // that entry's line, as it always was; its name comes from the path.
  EXPECT_EQ(*playlist.Tracks[1].TrackName(), "beta.mp3");
  // Repair makes the absolute paths whole, in the user's style: on the
  // playlist's drive with their slashes under Windows, as they are on POSIX.
  settings.PathMode = kAbsolutePaths;
  Load();
#ifdef _WIN32
  EXPECT_EQ(*playlist.Tracks[0].FilePath(), folder.Path().substr(0, 2) + root + "/alpha.mp3");
#else
  EXPECT_EQ(*playlist.Tracks[0].FilePath(), root + "/alpha.mp3");
#endif
  EXPECT_EQ(playlist.Tracks[0].Loaded, 1);
}

TEST_F(LoadTest, WarningsAskPerFileAndCancelStopsAfterThatEntry) {
  folder.Write("a.mp3", TrackBytes(1024));
  folder.Write("mix.m3u", "a.mp3\r\nmissing1.mp3\r\nmissing2.mp3\r\na.mp3\r\n");
  settings.WarnLoadErrors = true;
  host.Answers = {kAnswerCancel};
  Load();
  ASSERT_EQ(playlist.TrackCount(), 2u);
  EXPECT_EQ(playlist.Tracks[0].FileSize, 1u);
  EXPECT_EQ(playlist.LoadErrors, 1u);
  EXPECT_EQ(host.CallsStartingWith("box"),
            (std::vector<std::string>{
                "box [Could not open file!] " + folder / "missing1.mp3" + " style 1",
                "box [Warning!] 1 of the files could not be opened! style 48"}));
}

TEST_F(LoadTest, ShortFilesAndLongPathsAreHandledNotFatal) {
  folder.Write("tiny.mp3", "TAG");
  std::string longName(300, 'n');
  folder.Write("mix.m3u", "tiny.mp3\n" + longName + ".mp3\n");
  Load();
  ASSERT_EQ(playlist.TrackCount(), 2u);
  EXPECT_EQ(playlist.Tracks[0].Loaded, 1);
  EXPECT_EQ(playlist.Tracks[0].Tag(), Id3v1Block{});
  EXPECT_EQ(playlist.Tracks[1].Loaded, 0);
  EXPECT_EQ(playlist.LoadErrors, 1u);
}

TEST_F(LoadTest, LetterFoldersOpenBesideThePlaylist) {
  std::string sub = folder / "A";
  ASSERT_EQ(SystemFileSystem().CreateFolder(sub), 0u);
  folder.Write("A\\song.mp3", TrackBytes(2048, "Song"));
  folder.Write("mix.m3u", "A\\song.mp3\r\n");
  settings.PathMode = kAbsolutePaths;
  Load();
  ASSERT_EQ(playlist.TrackCount(), 1u);
  EXPECT_EQ(playlist.LoadErrors, 0u);
  EXPECT_EQ(playlist.Tracks[0].TagTitle(), "Song");
  EXPECT_EQ(*playlist.Tracks[0].FilePath(), folder.Repaired("A\\song.mp3"));
  EXPECT_EQ(host.CallsStartingWith("offer rewrite"),
            (std::vector<std::string>{"offer rewrite [Path changed.]"}));
}

TEST_F(LoadTest, UnopenablePlaylistKeepsThePreviousList) {
  folder.Write("a.mp3", TrackBytes(2048));
  folder.Write("mix.m3u", "#EXTINF:60,x\r\na.mp3\r\n");
  Load();
  ASSERT_EQ(playlist.TrackCount(), 1u);
  host.Calls.clear();
  Load("gone.m3u");
  EXPECT_EQ(playlist.TrackCount(), 1u);
  EXPECT_EQ(playlist.TotalSeconds, 60u);
  EXPECT_EQ(playlist.TotalKB, 2u);
  // Nothing of the list went: the watcher and the read-outs stay as they were.
  EXPECT_EQ(host.Calls, (std::vector<std::string>{
                            "box [Can not open selected file] " + folder / "gone.m3u" + " style 48",
                            "system error 2"}));
}

TEST_F(LoadTest, EmptyPlaylistEmptiesTheListQuietly) {
  folder.Write("a.mp3", TrackBytes(2048));
  folder.Write("mix.m3u", "a.mp3\r\n");
  folder.Write("empty.m3u", "");
  settings.WarnLoadErrors = true;
  Load();
  Load("empty.m3u");
  EXPECT_EQ(playlist.TrackCount(), 0u);
  EXPECT_EQ(playlist.TotalKB, 0u);
  EXPECT_TRUE(host.CallsStartingWith("box").empty());
}

TEST_F(LoadTest, RepairedDisplayNameFollowsTheNewPath) {
  folder.Write("b.mp3", TrackBytes(2048));
  folder.Write("mix.m3u", "#EXTINF:5\r\n" + folder / "b.mp3" + "\r\n");
  settings.PathMode = kRelativePaths;
  host.TakeRewrite = true;
  Load();
  ASSERT_EQ(playlist.TrackCount(), 1u);
  EXPECT_EQ(*playlist.Tracks[0].FilePath(), "b.mp3");
  EXPECT_EQ(*playlist.Tracks[0].TrackName(), "b.mp3");
  // A rewrite that takes over ends this load: no final plan, nothing stored.
  EXPECT_EQ(host.Calls.back(), "offer rewrite [Path changed.]");
}

}  // namespace
}  // namespace voltrak

namespace voltrak {
namespace {

using testing::MemoryFileSystem;

// The load against a file system that lets it down where the test says.
// A long list is read in pieces; they must parse, and count, entry for
// entry as the whole text does, whatever lines they end near: "#" lines
// that wait for their path, headers and byte-order marks in the middle,
// blank runs, CR, LF and CR LF, long lines.
TEST(ReadPlaylistText, PiecesParseAsTheWholeText) {
  const std::string lines[] = {"#EXTINF:61,A - T\r\n", "#EXTVLCOPT:x=1\r\n", "#EXTM3U\r\n",
                               "\xEF\xBB\xBF", "#note\n", "\r\n\n\r", "#EXTM3U\n",
                               "#EXTINF:7,B\r", "#EX", std::string(300, 'a') + "\n"};
  std::string text = "\xEF\xBB\xBF#EXTINF:5,first\r\n";
  std::mt19937 random(1);  // the same numbers everywhere
  for (size_t i = 0; text.size() < 20000; ++i) {
    text += lines[random() % std::size(lines)];
    if (random() % 3 == 0) text += "m\\" + std::to_string(i) + (random() % 2 ? "\r\n" : "\n");
  }
  testing::MemoryFileSystem files;
  files.Put("C:\\l\\big.m3u", text);
  auto texts = [](const std::vector<M3uEntry>& entries) {
    std::vector<std::pair<std::string, std::string>> all;
    for (const M3uEntry& e : entries) {
      all.emplace_back(e.ExtendedInfo.value_or("(none)"), e.FilePath);
    }
    return all;
  };
  for (size_t pieceSize : {1, 5, 64, 1000, 1 << 20}) {
    std::vector<std::string> pieces;
    ASSERT_EQ(ReadPlaylistText(files, "C:\\l\\big.m3u", &pieces, pieceSize), 0u);
    std::string whole;
    size_t count = 0;
    std::vector<M3uEntry> entries;
    for (const std::string& piece : pieces) {
      whole += piece;
      count += CountM3uEntries(piece);
      for (const M3uEntry& e : ParseM3u(piece)) entries.push_back(e);
    }
    EXPECT_EQ(whole, text) << pieceSize;
    EXPECT_EQ(count, CountM3uEntries(text)) << pieceSize;
    EXPECT_EQ(texts(entries), texts(ParseM3u(text))) << pieceSize;
    if (pieceSize == 64) {
      EXPECT_GT(pieces.size(), 50u);  // so that many places were tried
    }
  }
}

class FailingLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files.Put("C:\\Lists\\a.mp3", TrackBytes(2048, "Alpha"));
    files.Put("C:\\Lists\\b.mp3", TrackBytes(3072, "Beta"));
    files.Put("C:\\Lists\\mix.m3u", "#EXTM3U\r\n#EXTINF:60,A\r\na.mp3\r\n#EXTINF:90,B\r\nb.mp3\r\n");
    settings.CurrentPlaylistPath = "C:\\Lists\\mix.m3u";
  }
  LoadOutcome Load() { return LoadPlaylist(settings, playlist, files, host); }
  // The window plans, keeps the file and repeats its output after every
  // load the rewrite did not take over, whatever went wrong in it.
  static void ExpectFinished(const LoadOutcome& outcome) { EXPECT_FALSE(outcome.RewriteTookOver); }

  MemoryFileSystem files;
  ScriptedLoadHost host;
  Playlist playlist;
  LoadSettings settings;
};

TEST_F(FailingLoadTest, AWholeLoadSaysWhatItRead) {
  files.FailOpenOf("C:\\Lists\\b.mp3", kErrorSharingViolation);
  LoadOutcome outcome = Load();
  EXPECT_TRUE(outcome.Opened);
  EXPECT_EQ(outcome.Entries, 2u);
  EXPECT_EQ(outcome.LoadErrors, 1u);
  EXPECT_FALSE(outcome.MemoryFailure || outcome.RewriteTookOver);
  EXPECT_EQ(playlist.TotalKB, 2u);
  ExpectFinished(outcome);

  settings.PathMode = kAbsolutePaths;
  host.TakeRewrite = true;
  outcome = Load();
  EXPECT_TRUE(outcome.RewriteTookOver);
}

TEST_F(FailingLoadTest, NoMemoryForTheTextLeavesAnEmptyListAndFinishes) {
  Load();
  host.Calls.clear();
  files.FailNext(MemoryFileSystem::Op::kOpen, kErrorNotEnoughMemory);
  LoadOutcome outcome = Load();
  EXPECT_TRUE(outcome.Opened);
  EXPECT_TRUE(outcome.MemoryFailure);
  EXPECT_EQ(playlist.TrackCount(), 0u);
  EXPECT_EQ(playlist.TotalSeconds + playlist.TotalKB + playlist.LoadErrors, 0u);
  EXPECT_TRUE(host.CallsStartingWith("box").empty());
  ExpectFinished(outcome);
}

TEST_F(FailingLoadTest, RunningOutOfMemoryMidwayNeverLeavesTheCore) {
  // The second track file's read runs out of memory: before, that escaped.
  files.FailNext(MemoryFileSystem::Op::kOpen, MemoryFileSystem::kThrowBadAlloc, 2);
  LoadOutcome outcome;
  EXPECT_NO_THROW(outcome = Load());
  EXPECT_TRUE(outcome.MemoryFailure);
  EXPECT_EQ(outcome.Entries, 0u);
  EXPECT_EQ(playlist.TrackCount(), 0u);
  EXPECT_EQ(playlist.TotalSeconds, 0u);
  ExpectFinished(outcome);
}

// A path longer than Windows takes is refused on every system, even where
// it would open, and is not kept as the file to open next time. A read that
// fails, at the start or later, is no end of the list: nothing of it is
// taken, so nothing cut short can be planned or written back.
TEST_F(FailingLoadTest, AnUnopenablePlaylistKeepsTheListAndReportsTheCode) {
  const std::string tooLong = "C:\\Lists\\" + std::string(kMaxPathLength, 'n') + ".m3u";
  files.Put(tooLong, "#EXTINF:1,x\r\na.mp3\r\n");
  using Op = MemoryFileSystem::Op;
  const struct {
    std::string path;
    uint32_t error;
    Op failing;
    unsigned skip;
  } cases[] = {
      {settings.CurrentPlaylistPath, kErrorAccessDenied, Op::kOpen, 0},
      {settings.CurrentPlaylistPath, kErrorReadFault, Op::kRead, 0},
      {settings.CurrentPlaylistPath, kErrorReadFault, Op::kRead, 1},
      {tooLong, kErrorFilenameTooLong, Op::kCreate, 0},
      {"", kErrorPathNotFound, Op::kCreate, 0},
  };
  settings.PathMode = kAbsolutePaths;  // a list read whole would be offered for rewriting
  for (const auto& c : cases) {
    settings.CurrentPlaylistPath = "C:\\Lists\\mix.m3u";
    Load();
    host.Calls.clear();
    settings.CurrentPlaylistPath = c.path;
    if (c.failing != Op::kCreate) files.FailNext(c.failing, c.error, c.skip);
    LoadOutcome outcome = Load();
    EXPECT_TRUE(host.CallsStartingWith("offer rewrite").empty());
    EXPECT_FALSE(outcome.Opened);
    EXPECT_EQ(outcome.OpenError, c.error);
    EXPECT_EQ(outcome.Entries, 2u);
    EXPECT_EQ(playlist.TotalSeconds, 150u);
    EXPECT_EQ(host.CallsStartingWith("system error"),
              std::vector<std::string>{"system error " + std::to_string(c.error)});
    ExpectFinished(outcome);
  }
}

// A file of `frames` MPEG-1 layer III frames at 128 kbit/s (0.026 s each),
// after an ID3v2.3 tag holding `title` when one is given.
std::string Mp3Bytes(size_t frames, std::string_view title = {}) {
  std::string bytes;
  if (!title.empty()) {
    const std::string frame = std::string("TIT2") + '\0' + '\0' + '\0' +
                              static_cast<char>(title.size() + 1) + '\0' + '\0' + '\0' +
                              std::string(title);
    bytes = std::string("ID3\3\0\0\0\0\0", 9) + static_cast<char>(frame.size()) + frame;
  }
  for (size_t i = 0; i < frames; ++i) bytes += "\xFF\xFB\x90\x64" + std::string(413, '\0');
  return bytes;
}

// A length the list gives stays; one it does not is measured, and a file
// without an ID3v1 tag gives its ID3v2 tag's texts. With both switches off
// a load is what it always was.
TEST_F(LoadTest, UntimedEntriesAreMeasuredAndId3v2TagsRead) {
  folder.Write("a.mp3", Mp3Bytes(400, "Alpha"));  // 10.45 s
  folder.Write("b.mp3", Mp3Bytes(100) + TrackBytes(128, "Beta"));
  folder.Write("mix.m3u", "a.mp3\r\n#EXTINF:-1,B\r\nb.mp3\r\n#EXTINF:300,A\r\na.mp3\r\n");
  for (bool on : {true, false}) {
    settings.MeasureUntimed = settings.ReadId3v2 = on;
    Load();
    ASSERT_EQ(playlist.TrackCount(), 3u);
    const uint32_t lengths[] = {playlist.Tracks[0].PlayLength, playlist.Tracks[1].PlayLength,
                                playlist.Tracks[2].PlayLength};
    EXPECT_EQ(std::vector<uint32_t>(lengths, lengths + 3),
              (on ? std::vector<uint32_t>{10, 3, 300} : std::vector<uint32_t>{0, 0, 300}));
    EXPECT_EQ(playlist.TotalSeconds, on ? 313u : 300u);
    EXPECT_EQ(playlist.Tracks[0].LengthFrom, on ? LengthSource::kMeasured : LengthSource::kNone);
    EXPECT_EQ(playlist.Tracks[2].LengthFrom, LengthSource::kExtinf);
    EXPECT_EQ(playlist.Tracks[0].TagTitle(), on ? "Alpha" : "");
    EXPECT_EQ(playlist.Tracks[2].TagTitle(), on ? "Alpha" : "");  // timed, opened again for it
    EXPECT_EQ(playlist.Tracks[1].TagTitle(), "Beta");              // its ID3v1 tag stays
  }
}

// A host that, at the first question about a file that could not be
// opened, does what a user may do meanwhile.
class MendingHost : public ScriptedLoadHost {
 public:
  std::function<void()> Mend;
  int ShowMessage(std::string_view text, std::string_view caption, uint32_t style,
                  bool owned) override {
    if (caption == "Could not open file!" && Mend) std::exchange(Mend, nullptr)();
    return ScriptedLoadHost::ShowMessage(text, caption, style, owned);
  }
};

// The folders a load keeps open and the files it reads ahead on threads are
// speed only: the same lists load to the same records, totals, errors and
// questions, in the same order, through the plain file system on one
// thread; that, with the user mending files while asked about one, and
// cancelling at a later question.
TEST(LoadSpeedUps, KeptFoldersAndReadAheadLoadAsThePlainReadingLoads) {
  ScratchFolder folder;
  GeneratorOptions options;
  options.Count = 300;
  options.LetterFolders = true;
  options.MissingPercent = 10;
  options.UntaggedPercent = 20;
  options.NoInfoPercent = 20;
  options.Paths = GeneratorOptions::PathStyle::kMixed;
  const GeneratedPlaylist made = GeneratePlaylist(SystemFileSystem(), folder.Path(), options);
  ASSERT_EQ(made.Error, 0u);
  // First a missing file, then two the user deletes and makes while asked
  // about it: read ahead by then, they are read again. Folders spelled in
  // another case, a name that is a folder and, where there are any, a FIFO.
  folder.CreateFolder("late");
  folder.Write("example.m3u", "late\\missing.mp3\r\nlate\\gone.mp3\r\nlate\\made.mp3\r\n"
                              "late\\pipe.mp3\r\n" + folder.Read("example.m3u") + "A\\NONE.mp3\r\nA\r\n");
#ifndef _WIN32
  ASSERT_EQ(mkfifo(folder.Native("late/pipe.mp3").c_str(), 0600), 0);
#endif
  auto load = [&](FileSystem& files, unsigned threads, const std::deque<int>& answers) {
    folder.Write("late\\gone.mp3", TrackBytes(3000, "Gone"));
    SystemFileSystem().Delete(folder / "late\\made.mp3");
    MendingHost host;
    host.Answers = answers;
    host.Mend = [&] {
      EXPECT_EQ(SystemFileSystem().Delete(folder / "late\\gone.mp3"), 0u);
      folder.Write("late\\made.mp3", TrackBytes(5000, "Made"));
    };
    LoadSettings settings;
    settings.CurrentPlaylistPath = made.PlaylistPath;
    settings.WarnLoadErrors = true;
    settings.ReadThreads = threads;
    Playlist playlist;
    LoadPlaylist(settings, playlist, files, host);
    std::vector<std::string> seen = host.Calls;
    for (const MP3Information& r : playlist.Tracks) {
      const Id3v1Block tag = r.Tag();
      seen.push_back(std::string(PathText(r)) + "|" + std::to_string(r.Loaded) + "|" +
                     std::to_string(r.FileSize) + "|" + std::to_string(r.PlayLength) + "|" +
                     std::to_string(static_cast<int>(r.LengthFrom)) + "|" +
                     std::string(tag.begin(), tag.end()));
    }
    seen.push_back(std::to_string(playlist.TotalSeconds) + " s " +
                   std::to_string(playlist.TotalKB) + " KB " +
                   std::to_string(playlist.LoadErrors) + " errors");
    return seen;
  };
  for (const std::deque<int>& answers : {std::deque<int>{}, std::deque<int>{kAnswerOk, kAnswerOk,
                                                                            kAnswerCancel}}) {
    const std::vector<std::string> plain = load(PlainSystemFileSystem(), 1, answers);
    ASSERT_GT(plain.size(), answers.empty() ? 300u : 5u);
    EXPECT_EQ(load(SystemFileSystem(), 1, answers), plain);
    EXPECT_EQ(load(PlainSystemFileSystem(), kReadAheadThreads, answers), plain);
    EXPECT_EQ(load(SystemFileSystem(), 3, answers), plain);
  }
}

}  // namespace
}  // namespace voltrak
