// The four written outputs: byte for byte against the files in
// tests/golden, read back by the program's own loader, and every way a file
// can fail to be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "outputs/cue_label.h"
#include "outputs/html_report.h"
#include "outputs/split_lists.h"
#include "playlist/m3u_format.h"
#include "support/replacement_file.h"
#include "tests/memory_file_system.h"
#include "tests/test_support.h"

namespace voltrak {
namespace {

using testing::MemoryFileSystem;
using Op = MemoryFileSystem::Op;

using testing::FixedClock;

// A morning, so that the report's hour shows its blank padding.
constexpr LocalTime kReportTime = {2005, 7, 1, 4, 9, 5, 3, 0};

class RecordingHost : public OutputHost {
 public:
  std::vector<std::string> Calls;
  void CannotWrite(std::string_view path, uint32_t error) override {
    Calls.push_back("cannot write " + std::string(path) + " " + std::to_string(error));
  }
  void NoTrackName() override { Calls.push_back("no track name"); }
  void WouldReplacePlaylist(std::string_view path) override {
    Calls.push_back("is the playlist " + std::string(path));
  }
};

struct Track {
  const char* Info;  // nullptr: no extended information
  const char* Path;
  uint32_t Seconds;
  const char* Title;  // the tag's three fields; all empty: no tag
  const char* Artist;
  const char* Album;
  bool Loaded;
};

// The example every golden file is made from: tagged, half-tagged and
// untagged tracks, one without extended information, one that did not load,
// a path from the root of the drive, and names that HTML must escape.
const std::vector<Track> kExample = {
    {"#EXTINF:200,Blue Orchard - Train Rain", "C:\\Music\\Blue Orchard\\Train Rain.mp3", 200,
     "Train Rain", "Blue Orchard", "Night Songs", true},
    {"#EXTINF:185,Wild Engines - Summer Letter", "C:\\Music\\Wild Engines\\Summer Letter.mp3",
     185, "Summer Letter", "Wild Engines", "Roads", true},
    {nullptr, "C:\\Music\\misc\\loose end.mp3", 0, "Loose End", "", "", true},
    {"#EXTINF:241,Jade Rivers - Summer Window", "\\Music\\Jade Rivers\\Summer Window.mp3", 241,
     "", "", "", true},
    {"#EXTINF:330,Amber & Coast - <Harbour> \"live\"", "C:\\Music\\Amber & Coast\\Harbour.mp3",
     330, "Harbour", "Amber & Coast", "Lights", true},
    {"#EXTINF:95,Amber & Coast - Lantern", "C:\\Music\\Amber & Coast\\Lantern.mp3", 95, "", "",
     "", false},
    {"#EXTINF:410,Copper Hills - Long Road", "C:\\Music\\Copper Hills\\Long Road.mp3", 410,
     "Long Road", "Copper Hills", "Miles", true},
    {"#EXTINF:150,blue orchard - train rain (live)", "C:\\Music\\Blue Orchard\\live.mp3", 150,
     "Train Rain", "Blue Orchard", "Live", true},
};

void PutField(Id3v1Block& tag, size_t offset, const char* text) {
  std::copy(text, text + std::min<size_t>(std::strlen(text), kTagTextLength), tag.begin() + offset);
}

Playlist ListOf(const std::vector<Track>& tracks) {
  Playlist list;
  for (const Track& t : tracks) {
    MP3Information record;
    record.SetTexts(t.Info ? std::optional<std::string_view>(t.Info) : std::nullopt, t.Path);
    record.PlayLength = t.Seconds;
    record.Loaded = t.Loaded ? 1 : 0;
    if (*t.Title || *t.Artist || *t.Album) {
      Id3v1Block tag{};
      PutField(tag, 0, "TAG");
      PutField(tag, kTagTitleOffset, t.Title);
      PutField(tag, kTagArtistOffset, t.Artist);
      PutField(tag, kTagAlbumOffset, t.Album);
      record.SetTag(tag);
    }
    list.TotalSeconds += t.Seconds;
    list.LoadErrors += t.Loaded ? 0 : 1;
    list.Tracks.push_back(std::move(record));
  }
  return list;
}

// Ten minutes by time: volumes of 3, 2, 2 and 1 tracks.
PlanningSettings TenMinutes() {
  PlanningSettings planning;
  ChooseFillMode(planning, kFillByTime);
  EnterCapacity(planning, CapacityField::kMedium, "10:00");
  return planning;
}

OptionFlags AllListings() {
  OptionFlags options;
  for (const ReportListing& listing : kReportListings) options.*listing.Switch = 1;
  return options;
}

std::string GoldenPath(const std::string& name) {
  std::string path = "Z:" VOLTRAK_GOLDEN_DIR "/" + name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Compares with the golden file; VOLTRAK_UPDATE_GOLDEN=1 writes it instead,
// for a change of output made on purpose.
void ExpectGolden(const std::string& golden, const std::optional<std::string>& written) {
  ASSERT_TRUE(written) << golden << " was not written";
  if (std::getenv("VOLTRAK_UPDATE_GOLDEN")) {
    ASSERT_EQ(WriteWholeFile(SystemFileSystem(), GoldenPath(golden), *written), 0u) << golden;
    return;
  }
  std::string expected;
  ASSERT_EQ(ReadWholeFile(SystemFileSystem(), GoldenPath(golden), &expected), 0u) << golden;
  EXPECT_EQ(*written, expected) << golden;
}

class Outputs : public ::testing::Test {
 protected:
  Outputs() { files.PutFolder("C:\\Lists"); }
  OutputTarget Target(std::string_view playlistPath = "C:\\Lists\\example.m3u") {
    return {playlistPath, files, host};
  }
  OutputResult Report(Playlist& list, const PlanningSettings& planning,
                      const OptionFlags& options = AllListings(),
                      std::string_view path = "C:\\Lists\\example.m3u") {
    return WriteHtmlReport(list, {planning, options, "https://voltrak.example.org/"}, clock,
                           Target(path));
  }
  std::string Written(const std::string& path) { return files.Get(path).value_or(""); }

  MemoryFileSystem files;
  RecordingHost host;
  FixedClock clock{kReportTime};
};

TEST_F(Outputs, ExampleMatchesTheGoldenFiles) {
  Playlist list = ListOf(kExample);
  PlanVolumes(TenMinutes(), list, "C:\\Lists\\example.m3u");
  EXPECT_EQ(WriteSplitLists(list, Target()).Written.size(), 4u);
  Report(list, TenMinutes());
  WriteCueSheet(list, Target());
  WriteLabelFile(list, Target());
  for (const char* name : {"example-001.M3U", "example-002.M3U", "example-003.M3U",
                           "example-004.M3U", "example.html", "example.cue", "example.lbl"}) {
    ExpectGolden(name, files.Get(std::string("C:\\Lists\\") + name));
  }
  EXPECT_EQ(files.Files().size(), 7u);
  EXPECT_TRUE(host.Calls.empty());
}

// Disc by disc: volume 3's tracks have no one artist, volume 4's one has.
TEST_F(Outputs, PerVolumeSheetsAndLabelsMatchTheGoldenFiles) {
  Playlist list = ListOf(kExample);
  PlanVolumes(TenMinutes(), list, "C:\\Lists\\example.m3u");
  EXPECT_EQ(WriteVolumeCueSheets(list, Target()).Written.size(), 4u);
  EXPECT_EQ(WriteVolumeLabels(list, Target()).Written.size(), 4u);
  for (const char* name : {"example-003.cue", "example-004.cue", "example-003.lbl", "example-004.lbl"}) {
    ExpectGolden(name, files.Get(std::string("C:\\Lists\\") + name));
  }
  EXPECT_TRUE(host.Calls.empty());
}

TEST_F(Outputs, EdgeCasesMatchTheGoldenFiles) {
  // No splitting: one list of everything and no time-mode rows; the
  // listings as the program starts.
  Playlist list = ListOf(kExample);
  PlanVolumes(PlanningSettings{}, list, "C:\\Lists\\nosplit.m3u");
  WriteSplitLists(list, Target("C:\\Lists\\nosplit.m3u"));
  Report(list, PlanningSettings{}, OptionFlags{}, "C:\\Lists\\nosplit.m3u");
  ExpectGolden("nosplit-001.M3U", files.Get("C:\\Lists\\nosplit-001.M3U"));
  ExpectGolden("nosplit.html", files.Get("C:\\Lists\\nosplit.html"));

  // 120 tracks of 61 seconds: three-digit track numbers and minutes.
  Playlist longList = ListOf(std::vector<Track>(120, kExample[6]));
  WriteCueSheet(longList, Target("C:\\Lists\\long.m3u"));
  WriteLabelFile(longList, Target("C:\\Lists\\long.m3u"));
  ExpectGolden("long.cue", files.Get("C:\\Lists\\long.cue"));
  ExpectGolden("long.lbl", files.Get("C:\\Lists\\long.lbl"));

  // A name with blanks and "&" for the page, the quoted image and the label.
  const std::string odd = "C:\\Lists\\rock & roll <mix>.m3u";
  PlanVolumes(TenMinutes(), list, odd);
  Report(list, TenMinutes(), OptionFlags{}, odd);
  WriteCueSheet(list, Target(odd));
  WriteLabelFile(list, Target(odd));
  for (const char* extension : {".html", ".cue", ".lbl"}) {
    ExpectGolden(std::string("odd-names") + extension,
                 files.Get("C:\\Lists\\rock & roll <mix>" + std::string(extension)));
  }
}

TEST_F(Outputs, ALabelLineOfAnyLengthIsWrittenWhole) {
  const std::string name(5000, 'n');
  const std::string info = "#EXTINF:61," + name;
  Playlist list = ListOf({{info.c_str(), "C:\\Music\\a.mp3", 61, "", "", "", true}});
  ASSERT_EQ(WriteLabelFile(list, Target()).Failures, 0u);
  EXPECT_EQ(Written("C:\\Lists\\example.lbl"), "#example\r\n  1 " + name + " (1:01)\r\n");
}

TEST_F(Outputs, CueSheetOfThreeTracks) {
  Playlist list = ListOf({kExample[0], kExample[1], kExample[3]});
  WriteCueSheet(list, Target("C:\\Lists\\party.m3u"));
  EXPECT_EQ(Written("C:\\Lists\\party.cue"),
            "FILE party.WAV WAVE\r\n TRACK 01 AUDIO\r\n  INDEX 01 00:00:00\r\n TRACK 02 AUDIO\r\n"
            "  INDEX 01 03:20:00\r\n TRACK 03 AUDIO\r\n  INDEX 01 06:25:00\r\n");
}

TEST_F(Outputs, EverySplitListReadsBackAsItsVolume) {
  Playlist list = ListOf(kExample);
  PlanningSettings planning = TenMinutes();
  EnterCapacity(planning, CapacityField::kReserve, "8:00");  // volume 0 stays empty
  PlanVolumes(planning, list, "C:\\Lists\\example.m3u");
  OutputResult result = WriteSplitLists(list, Target());
  ASSERT_EQ(result.Written.size(), 4u);
  EXPECT_EQ(result.Written.front(), "C:\\Lists\\example-002.M3U");
  EXPECT_FALSE(files.Exists("C:\\Lists\\example-001.M3U"));
  for (const std::string& path : result.Written) {
    Playlist back;
    testing::ScriptedLoadHost loadHost;
    LoadSettings settings;
    settings.CurrentPlaylistPath = path;
    ASSERT_TRUE(LoadPlaylist(settings, back, files, loadHost).Opened) << path;
    const uint32_t volume = static_cast<uint32_t>(std::stoul(path.substr(path.size() - 7, 3))) - 1;
    size_t at = 0;
    for (const MP3Information& record : list.Tracks) {
      if (record.Volume != volume) continue;
      ASSERT_LT(at, back.Tracks.size()) << path;
      EXPECT_EQ(back.Tracks[at].ExtendedInfo(), record.ExtendedInfo()) << path;
      EXPECT_EQ(back.Tracks[at++].FilePath(), record.FilePath()) << path;
    }
    EXPECT_EQ(at, back.Tracks.size()) << path;
  }
}

// Each output with the file of it that is made to fail.
struct Output {
  OutputResult (*Write)(Playlist&, const OutputTarget&);
  unsigned FailingFile;  // which file of the output's run fails, from 0
};
const Output kOutputs[] = {
    {[](Playlist& l, const OutputTarget& t) { return WriteSplitLists(l, t); }, 1},
    {[](Playlist& l, const OutputTarget& t) {
       static FixedClock clock(kReportTime);
       return WriteHtmlReport(l, {TenMinutes(), AllListings(), ""}, clock, t);
     }, 0},
    {[](Playlist& l, const OutputTarget& t) { return WriteCueSheet(l, t); }, 0},
    {[](Playlist& l, const OutputTarget& t) { return WriteLabelFile(l, t); }, 0},
    {[](Playlist& l, const OutputTarget& t) { return WriteVolumeCueSheets(l, t); }, 1},
    {[](Playlist& l, const OutputTarget& t) { return WriteVolumeLabels(l, t); }, 2},
};

// Whatever fails, each file is whole or gone, and each gone one was reported
// once; the other files of the run are still written.
TEST_F(Outputs, AFileThatFailsIsReportedAndRemovedAndTheOthersComplete) {
  const std::vector<std::function<void(MemoryFileSystem&, unsigned)>> failures = {
      [](MemoryFileSystem& f, unsigned n) { f.FailNext(Op::kCreate, kErrorAccessDenied, n); },
      [](MemoryFileSystem& f, unsigned n) { f.FailNext(Op::kWrite, kErrorWriteFault, n); },
      [](MemoryFileSystem& f, unsigned n) { f.FailNext(Op::kClose, kErrorDiskFull, n); },
      [](MemoryFileSystem& f, unsigned n) { f.DiskFullAfter(n == 0 ? 100 : 250); },
  };
  for (const Output& output : kOutputs) {
    for (size_t mode = 0; mode < failures.size(); ++mode) {
      SCOPED_TRACE("output " + std::to_string(&output - kOutputs) + ", failure " +
                   std::to_string(mode));
      Playlist list = ListOf(kExample);
      PlanVolumes(TenMinutes(), list, "C:\\Lists\\example.m3u");
      MemoryFileSystem clean, failing;
      clean.PutFolder("C:\\Lists");
      failing.PutFolder("C:\\Lists");
      RecordingHost quiet, told;
      const OutputResult whole = output.Write(list, {"C:\\Lists\\example.m3u", clean, quiet});
      failures[mode](failing, output.FailingFile);
      const OutputResult result = output.Write(list, {"C:\\Lists\\example.m3u", failing, told});
      std::vector<std::string> gone;
      for (const std::string& path : whole.Written) {
        if (failing.Exists(path)) {
          EXPECT_EQ(failing.Get(path), clean.Get(path)) << path;
        } else {
          gone.push_back(path);
        }
      }
      ASSERT_FALSE(gone.empty());
      EXPECT_EQ(gone[0], whole.Written[output.FailingFile]);
      EXPECT_EQ(result.Failures, gone.size());
      EXPECT_EQ(result.Written.size() + gone.size(), whole.Written.size());
      ASSERT_EQ(told.Calls.size(), gone.size());
      for (size_t i = 0; i < gone.size(); ++i) {
        EXPECT_EQ(told.Calls[i].rfind("cannot write " + gone[i] + " ", 0), 0u) << told.Calls[i];
      }
    }
  }
}

// An output whose name reaches the playlist (its own name, "mix.cue", or a
// link) is refused and the playlist kept; one whose name is a link to any
// other file takes the name's place and leaves that file as it was.
TEST_F(Outputs, NoOutputIsWrittenThroughThePlaylistOrALink) {
  const std::string playlist = "C:\\Lists\\example.m3u";
  for (const Output& output : kOutputs) {
    SCOPED_TRACE("output " + std::to_string(&output - kOutputs));
    Playlist list = ListOf(kExample);
    PlanVolumes(TenMinutes(), list, playlist);
    MemoryFileSystem clean;
    RecordingHost quiet;
    clean.Put(playlist, "list");
    const std::string first = output.Write(list, {playlist, clean, quiet}).Written.at(0);
    for (bool toPlaylist : {true, false}) {
      MemoryFileSystem disk;
      disk.Put(playlist, "list");
      disk.Put("C:\\Music\\a.mp3", "track");
      disk.Link(toPlaylist ? playlist : "C:\\Music\\a.mp3", first);
      RecordingHost told;
      output.Write(list, {playlist, disk, told});
      EXPECT_EQ(disk.Get(playlist), "list");
      EXPECT_EQ(disk.Get("C:\\Music\\a.mp3"), "track");
      if (toPlaylist) {
        ASSERT_FALSE(told.Calls.empty());
        EXPECT_EQ(told.Calls[0], "is the playlist " + first);
      } else {
        EXPECT_EQ(disk.Get(first), clean.Get(first));
        EXPECT_TRUE(told.Calls.empty());
      }
    }
  }
  MemoryFileSystem disk;
  disk.Put("C:\\Lists\\mix.cue", "list");
  RecordingHost told;
  EXPECT_EQ(WriteCueSheet(ListOf(kExample), {"C:\\Lists\\mix.cue", disk, told}).Failures, 1u);
  EXPECT_EQ(disk.Get("C:\\Lists\\mix.cue"), "list");
  EXPECT_EQ(told.Calls, std::vector<std::string>{"is the playlist C:\\Lists\\mix.cue"});
}

// A report of many blocks: the disk failing at the second block ends the
// writing there, and the file is removed and reported once, by its cause.
TEST_F(Outputs, ALargeReportThatFailsPartWayStopsThereAndIsRemoved) {
  std::vector<Track> tracks;
  for (int i = 0; i < 60; ++i) tracks.insert(tracks.end(), kExample.begin(), kExample.end());
  Playlist list = ListOf(tracks);
  PlanVolumes(TenMinutes(), list, "C:\\Lists\\example.m3u");
  ASSERT_EQ(Report(list, TenMinutes()).Failures, 0u);
  ASSERT_GT(Written("C:\\Lists\\example.html").size(), 3u * 64 * 1024);
  const struct {
    std::function<void(MemoryFileSystem&)> fail;
    uint32_t error;
  } cases[] = {
      {[](MemoryFileSystem& f) { f.FailNext(Op::kWrite, kErrorWriteFault, 1); }, kErrorWriteFault},
      {[](MemoryFileSystem& f) { f.DiskFullAfter(100 * 1024); }, kErrorDiskFull},
  };
  for (const auto& c : cases) {
    MemoryFileSystem disk;
    disk.PutFolder("C:\\Lists");
    c.fail(disk);
    RecordingHost told;
    const OutputResult result =
        WriteHtmlReport(list, {TenMinutes(), AllListings(), "https://voltrak.example.org/"}, clock,
                        {"C:\\Lists\\example.m3u", disk, told});
    EXPECT_EQ(result.Failures, 1u);
    EXPECT_TRUE(disk.Files().empty());
    EXPECT_EQ(disk.Calls(Op::kWrite), 2u);
    EXPECT_EQ(told.Calls, std::vector<std::string>{"cannot write C:\\Lists\\example.html " +
                                                   std::to_string(c.error)});
  }
}

TEST_F(Outputs, NothingOnAnEmptyListOrPathAndLongNamesAreRefused) {
  const std::string longPath = "C:\\" + std::string(252, 'x') + "\\a.m3u";
  for (const Output& output : kOutputs) {
    Playlist empty;
    Playlist list = ListOf(kExample);
    EXPECT_EQ(output.Write(empty, Target()).Written.size(), 0u);
    EXPECT_EQ(output.Write(list, Target("")).Written.size(), 0u);
    EXPECT_EQ(output.Write(list, Target(longPath)).Failures, 1u);
  }
  EXPECT_TRUE(files.Files().empty());
  ASSERT_EQ(host.Calls.size(), std::size(kOutputs));
  EXPECT_EQ(host.Calls[0], "cannot write C:\\" + std::string(252, 'x') + "\\a-001.M3U 206");
}

TEST(OutputNames, PathsWithAndWithoutFullStopsOrBackslashes) {
  struct Case {
    const char* Playlist;
    const char* Report;
    const char* Base;
    const char* SplitBase;
  };
  for (const Case& c : std::vector<Case>{
           {"C:\\lists\\party.m3u", "C:\\lists\\party.html", "party", "C:\\lists\\party"},
           {"C:\\lists\\list.m3u8", "C:\\lists\\list.html", "list", "C:\\lists\\list."},
           {"C:\\my.lists\\party", "C:\\my.lists\\party.html", "party", "C:\\my.lists\\p"},
           {"C:\\x\\a.b.m3u", "C:\\x\\a.b.html", "a.b", "C:\\x\\a.b"},
           {"party.m3u", "party.html", "party", "party"},
           {"C:\\x\\ab", "C:\\x\\ab.html", "ab", "C:\\x\\ab"},
           {"ab", "ab.html", "ab", "ab"},
       }) {
    EXPECT_EQ(OutputPathOf(c.Playlist, ".html"), c.Report) << c.Playlist;
    EXPECT_EQ(BaseNameOf(c.Playlist), c.Base) << c.Playlist;
    EXPECT_EQ(SplitListBase(c.Playlist), c.SplitBase) << c.Playlist;
  }
  EXPECT_EQ(SplitListName("C:\\a", 0), "C:\\a-001.M3U");
  EXPECT_EQ(SplitListName("C:\\a", 999), "C:\\a-1000.M3U");
  EXPECT_EQ(CueFileLine("C:\\x\\party.cue"), "FILE party.WAV WAVE");
  EXPECT_EQ(CueFileLine("C:\\x\\party mix.cue"), "FILE \"party mix.WAV\" WAVE");
  // A name never starts a line of its own, nor ends the quoted name early.
  EXPECT_EQ(CueFileLine("C:\\x\\a\r\nTRACK\t02\tAUDIO.cue"), "FILE \"a  TRACK 02 AUDIO.WAV\" WAVE");
  EXPECT_EQ(CueFileLine("C:\\x\\my \"live\" set.cue"), "FILE \"my 'live' set.WAV\" WAVE");
  EXPECT_EQ(HtmlText("a&b<c>\"d\"'e"), "a&amp;b&lt;c&gt;&quot;d&quot;'e");
  // Links a browser follows from the page beside the playlist.
  const std::pair<const char*, const char*> links[] = {
      {"C:\\M\\a b#1?.mp3", "FILE:///C:/M/a%20b%231%3F.mp3"},
      {"\\M\\100%.mp3", "FILE:///C:/M/100%25.mp3"},
      {"\\\\srv\\m\\a.mp3", "FILE://srv/m/a.mp3"},
      {"../music/Bj\xc3\xb6rk\t.mp3", "../music/Bj%C3%B6rk%09.mp3"},
      {"Rock\\a.mp3", "Rock/a.mp3"},
  };
  for (const auto& [entry, link] : links) EXPECT_EQ(FileLinkOf(entry, "C:\\L\\mix.m3u"), link);
  EXPECT_EQ(HtmlText(std::string_view("cut\0here", 8)), "cut");
  EXPECT_EQ(SignedHoursMinutesSeconds(3725), "1:02:05");
  EXPECT_EQ(SignedHoursMinutesSeconds(0u - 200u), "-0:03:20");
}

// Parts of the page that only some lists and settings show.
TEST_F(Outputs, ReportRowsListingsAndAnchorsFollowTheListAndSettings) {
  struct Case {
    const char* Name;
    std::vector<Track> Tracks;
    PlanningSettings Planning;
    OptionFlags Options;
    std::vector<std::string> Present, Absent;
  };
  PlanningSettings reservedSplit = TenMinutes(), short5 = TenMinutes(), weeks;
  reservedSplit.ReservedSplit = true;
  EnterCapacity(short5, CapacityField::kMedium, "5:00");
  ChooseMedium(weeks, 16);
  ChooseFillMode(weeks, kFillByTime);
  std::vector<Track> days = {kExample[0], kExample[1]};
  days[0].Seconds = 252000;  // 70 hours
  days[0].Info = "#EXTINF:252000,Blue Orchard - Train Rain";
  std::vector<Track> unnamed = {kExample[0], kExample[1]};
  unnamed[1].Info = "#EXTINF:185,";
  std::vector<Track> longPath = {kExample[0]};
  const std::string path = "C:\\" + std::string(1500, 'p') + ".mp3";
  longPath[0].Path = path.c_str();
  OptionFlags none = AllListings();
  for (const ReportListing& listing : kReportListings) none.*listing.Switch = 0;
  for (const Case& c : std::vector<Case>{
           {"reserved split", kExample, reservedSplit, OptionFlags{}, {"Average Volume Time"},
            {"Total Volume Time", "Total Wasted", "Specified Volume", "Average Wasted", "Empty"}},
           {"no listings", kExample, TenMinutes(), none, {"Empty Time"}, {"Titles", "#List", "NAME=\"List"}},
           {"tracks longer than the medium", kExample, short5, none,
            {"<I> -0:30</I>", "<I> -1:50</I>", "Wasted Time:</TD><TD ALIGN=\"RIGHT\">0:08:09",
             "Average Wasted Time:</TD><TD ALIGN=\"RIGHT\">0:01:10"}, {}},
           // It opens volume 2: the empty volume 1 is counted and linked, and wastes nothing.
           {"all of it longer than the medium", {kExample[6]}, short5, none,
            {"Wasted Time:</TD><TD ALIGN=\"RIGHT\">-0:01:50", "Volume 2 of 2",
             "Average Wasted Time:</TD><TD ALIGN=\"RIGHT\">0:01:35", "#VOLUME00000\">1<"},
            {"NAME=\"VOLUME00000"}},
           {"70 hours in a week", days, weeks, none, {"<B>70:03:05</B>", "<I>5876:55</I>"}, {}},
           {"an empty name gets no anchor", unnamed, TenMinutes(), OptionFlags{},
            {"<A NAME=\"B Titles\">\r\n<TR>", "</TD><TD ALIGN=\"RIGHT\">2</TD><TD><A HREF"},
            {"NAME=\" Titles\"", std::string(1, '\0')}},
           {"long lines are written whole", longPath, TenMinutes(), none, {path.substr(3) + "\""}, {}},
       }) {
    SCOPED_TRACE(c.Name);
    Playlist list = ListOf(c.Tracks);
    PlanVolumes(c.Planning, list, "C:\\Lists\\x.m3u");
    Report(list, c.Planning, c.Options, "C:\\Lists\\x.m3u");
    const std::string page = Written("C:\\Lists\\x.html");
    for (const std::string& text : c.Present) EXPECT_NE(page.find(text), std::string::npos) << text;
    for (const std::string& text : c.Absent) EXPECT_EQ(page.find(text), std::string::npos) << text;
  }
  EXPECT_TRUE(host.Calls.empty());
}

TEST_F(Outputs, LetterAnchorsOnlyInTheFirstListingAndARecordWithoutNameIsReported) {
  Playlist list = ListOf(kExample);
  list.Tracks[2].SetTexts(list.Tracks[2].ExtendedInfo(), std::nullopt);  // neither a path nor a name
  PlanVolumes(TenMinutes(), list, "C:\\Lists\\x.m3u");
  Report(list, TenMinutes(), AllListings(), "C:\\Lists\\x.m3u");
  EXPECT_EQ(host.Calls, std::vector<std::string>{"no track name"});
  const std::string page = Written("C:\\Lists\\x.html");
  const size_t secondListing = page.find("<A NAME=\"List By Title\">");
  ASSERT_NE(secondListing, std::string::npos);
  // B, W, J, A, C and b, each once, in the track-name listing.
  size_t anchors = 0;
  for (size_t at = page.find(" Titles\">"); at != std::string::npos; at = page.find(" Titles\">", at + 1)) {
    EXPECT_LT(at, secondListing);
    ++anchors;
  }
  EXPECT_EQ(anchors, 6u);
}

}  // namespace
}  // namespace voltrak
