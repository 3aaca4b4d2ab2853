#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "cli/cli_host.h"
#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "cli/cli_run.h"
#include "cli/plan_check.h"
#include "cli/terminal_text.h"
#include "support/drive_map.h"
#include "support/whole_path.h"
#include "tests/test_support.h"

namespace voltrak::cli {
namespace {

using testing::ScratchFolder;
using testing::TrackBytes;

CommandLine Parse(std::vector<std::string> args, bool drivesAllowed = true) {
  return ParseCommandLine(args, drivesAllowed);
}

std::string ErrorOf(std::vector<std::string> args, bool drivesAllowed = true) {
  CommandLine line = Parse(std::move(args), drivesAllowed);
  EXPECT_EQ(line.Action, CliAction::kUsageError);
  return line.Error;
}

TEST(CliOptions, ReadsEveryOptionInBothSpellings) {
  CommandLine line = Parse({"--paths=absolute", "--drive", "d=/srv/music", "--fill", "time",
                            "--medium=Mini-CDRW", "--capacity=+5:00", "--reserve", "-1:00",
                            "--reserved-split", "--max-volumes=3", "--json", "--quiet",
                            "--warn-load-errors", "mix.m3u"});
  ASSERT_EQ(line.Action, CliAction::kRun) << line.Error;
  const CliOptions& o = line.Options;
  EXPECT_EQ(o.Playlist, "mix.m3u");
  EXPECT_EQ(o.PathMode, kAbsolutePaths);
  ASSERT_EQ(o.Drives.size(), 1u);
  EXPECT_EQ(o.Drives[0].Letter, 'D');
  EXPECT_EQ(o.Drives[0].Folder, "/srv/music");
  EXPECT_EQ(o.FillMode, kFillByTime);
  EXPECT_EQ(o.MediumRow, 3u);
  EXPECT_EQ(o.Capacities, std::vector<std::string>{"+5:00"});
  // A value that starts with "-" is still the option's value.
  EXPECT_EQ(o.Reserves, std::vector<std::string>{"-1:00"});
  EXPECT_TRUE(o.ReservedSplit);
  EXPECT_TRUE(o.WarnLoadErrors);
  EXPECT_EQ(o.MaximumVolumes, 3u);
  EXPECT_EQ(o.Output, OutputForm::kJson);
  EXPECT_EQ(o.Progress, ProgressChoice::kOff);

  CommandLine defaults = Parse({"mix.m3u"});
  EXPECT_EQ(defaults.Options.PathMode, kIgnorePaths);
  EXPECT_EQ(defaults.Options.FillMode, kFillByTime);
  EXPECT_EQ(defaults.Options.MediumRow, 0u);
  EXPECT_EQ(defaults.Options.Output, OutputForm::kPlan);
  EXPECT_EQ(defaults.Options.Progress, ProgressChoice::kAuto);
}

TEST(CliOptions, AbbreviationsOperandsHelpAndVersion) {
  EXPECT_EQ(Parse({"--max=2", "a.m3u"}).Options.MaximumVolumes, 2u);
  EXPECT_NE(ErrorOf({"--reserve", "1", "--re", "a.m3u"}).find("--re is ambiguous"),
            std::string::npos);
  // After "--" a name starting with a dash is the playlist.
  EXPECT_EQ(Parse({"--", "--odd.m3u"}).Options.Playlist, "--odd.m3u");
  EXPECT_EQ(Parse({"-"}).Options.Playlist, "-");
  EXPECT_EQ(Parse({"--bogus", "--help"}).Action, CliAction::kUsageError);
  EXPECT_EQ(Parse({"--json", "--help", "--bogus"}).Action, CliAction::kHelp);
  EXPECT_EQ(Parse({"-h"}).Action, CliAction::kHelp);
  EXPECT_EQ(Parse({"--vers"}).Action, CliAction::kVersion);
  // Later choices of the same setting win; capacities pile up in order.
  CommandLine line = Parse({"--fill=size", "--fill=time", "--capacity=1", "--capacity=+2",
                            "--progress", "--quiet", "--progress", "x"});
  EXPECT_EQ(line.Options.FillMode, kFillByTime);
  EXPECT_EQ(line.Options.Capacities, (std::vector<std::string>{"1", "+2"}));
  EXPECT_EQ(line.Options.Progress, ProgressChoice::kOn);
}

TEST(CliOptions, UsageErrorsNameTheOptionOrValue) {
  EXPECT_EQ(ErrorOf({}), "no playlist given");
  EXPECT_EQ(ErrorOf({""}), "the playlist's name is empty");
  EXPECT_NE(ErrorOf({"a.m3u", "b.m3u"}).find("'b.m3u'"), std::string::npos);
  EXPECT_EQ(ErrorOf({"--colour", "a.m3u"}), "unknown option --colour");
  EXPECT_NE(ErrorOf({"-x", "a.m3u"}).find("'-x'"), std::string::npos);
  EXPECT_EQ(ErrorOf({"a.m3u", "--fill"}), "--fill needs a value");
  EXPECT_EQ(ErrorOf({"--json=yes", "a.m3u"}), "--json takes no value");
  EXPECT_NE(ErrorOf({"--fill=split", "a.m3u"}).find("--fill: 'split'"), std::string::npos);
  EXPECT_NE(ErrorOf({"--paths=full", "a.m3u"}).find("--paths: 'full'"), std::string::npos);
  EXPECT_NE(ErrorOf({"--medium=17", "a.m3u"}).find("--medium: '17'"), std::string::npos);
  EXPECT_NE(ErrorOf({"--medium=DVD", "a.m3u"}).find("--medium: 'DVD'"), std::string::npos);
  EXPECT_NE(ErrorOf({"--max-volumes=-1", "a.m3u"}).find("'-1'"), std::string::npos);
  EXPECT_NE(ErrorOf({"--max-volumes=4294967296", "a.m3u"}).find("--max-volumes"),
            std::string::npos);
  EXPECT_NE(ErrorOf({"--max-volumes=", "a.m3u"}).find("--max-volumes"), std::string::npos);
  EXPECT_NE(ErrorOf({"--drive=DD=/x", "a.m3u"}).find("X=DIR"), std::string::npos);
  EXPECT_NE(ErrorOf({"--drive=1=/x", "a.m3u"}).find("X=DIR"), std::string::npos);
  EXPECT_NE(ErrorOf({"--drive=D=", "a.m3u"}).find("X=DIR"), std::string::npos);
  EXPECT_NE(ErrorOf({"--drive=D=/x", "a.m3u"}, false).find("--drive"), std::string::npos);
  EXPECT_EQ(ErrorOf({"--list", "--json", "a.m3u"}), "--list and --json cannot be given together");
  // A capacity or reserve without a single digit is a slip, not 0.
  for (const char* text : {"", "k", "+", "abc", "1:"}) {
    bool digit = std::string_view(text).find('1') != std::string_view::npos;
    EXPECT_EQ(Parse({std::string("--capacity=") + text, "a.m3u"}).Action,
              digit ? CliAction::kRun : CliAction::kUsageError) << text;
    EXPECT_EQ(Parse({"--reserve", text, "a.m3u"}).Action,
              digit ? CliAction::kRun : CliAction::kUsageError) << text;
  }
  EXPECT_EQ(ErrorOf({"--reserve=k", "a.m3u"}), "--reserve: 'k' holds no number");
}

// Each parse starts afresh, whatever the one before left half read: a
// cluster of letters, arguments after --help, operands after "--".
TEST(CliOptions, EachParseStartsAfresh) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-xh", "a.m3u"}, "unknown option '-xh' (options are long: --help)"},
      {{"--json", "--help", "--bogus"}, ""},
      {{"a.m3u", "--", "-", "b"}, "only one playlist, please: '-' is one too many"},
      {{"--=x", "a.m3u"}, "option -- is ambiguous"},
      {{"a.m3u"}, ""},
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& [args, error] : cases) EXPECT_EQ(Parse(args).Error, error) << args[0];
  }
}

// MinGW's getopt_long reads the table in order; every option the help names
// must still be known by its full name.
TEST(CliOptions, EveryOptionTheHelpNamesIsKnown) {
  const std::string help = UsageText();
  for (size_t at = help.find("--"); at != std::string::npos; at = help.find("--", at + 2)) {
    size_t end = help.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-", at + 2);
    const std::string option = help.substr(at, end - at);
    const std::string error = Parse({option, "1", "a.m3u"}).Error;
    EXPECT_EQ(error.find("unknown"), std::string::npos) << error;
    EXPECT_EQ(error.find("ambiguous"), std::string::npos) << error;
  }
}

// What a load reads besides sizes and ID3v1 tags: on unless switched off,
// the last word winning.
TEST(CliOptions, TrackFileReadingsSwitchOnAndOff) {
  const std::tuple<std::vector<std::string>, bool, bool> cases[] = {
      {{"--no-measure", "a.m3u"}, false, true},
      {{"--no-measure", "--measure", "a.m3u"}, true, true},
      {{"--no-id3v2", "a.m3u"}, true, false},
      {{"--no-id3v2", "--id3v2", "a.m3u"}, true, true},
      {{"--no-i", "--no-mea", "a.m3u"}, false, false},
  };
  for (const auto& [args, measure, id3v2] : cases) {
    const CliOptions options = Parse(args).Options;
    EXPECT_EQ(std::pair(options.MeasureUntimed, options.ReadId3v2), std::pair(measure, id3v2))
        << args[0];
  }
}

TEST(CliOptions, MediaByRowOrCaption) {
  // Every row by both names is run end to end; here the edges.
  EXPECT_EQ(FindMedium("16"), 16u);
  EXPECT_EQ(FindMedium("17"), std::nullopt);
  EXPECT_EQ(FindMedium("minidisc (atrac lp2 (80))"), 7u);
  EXPECT_EQ(FindMedium(""), std::nullopt);
  EXPECT_EQ(FindMedium("CDR "), std::nullopt);
  // The list's own text, in any case, as a user copies it from --help.
  EXPECT_EQ(FindMedium("CDR (80mins,700mb)"), 0u);
  EXPECT_EQ(FindMedium("minidisc (atrac lp2 (80)) (157MINS,0MB)"), 7u);
  EXPECT_EQ(FindMedium("CDR (80mins,650mb)"), std::nullopt);
}

TEST(CliOptions, TextTakesAnOptionalShape) {
  CommandLine grouped = Parse({"--text=grouped", "a.m3u"});
  EXPECT_EQ(grouped.Options.Output, OutputForm::kText);
  EXPECT_EQ(grouped.Options.TextShape, ListTextShape::kGroupedByFolder);
  // Without "=" the next word is the playlist, not a shape.
  CommandLine numbered = Parse({"--text", "grouped"});
  EXPECT_EQ(numbered.Options.TextShape, ListTextShape::kNumbered);
  EXPECT_EQ(numbered.Options.Playlist, "grouped");
  EXPECT_NE(ErrorOf({"--text=palm", "a.m3u"}).find("--text: 'palm'"), std::string::npos);
  EXPECT_EQ(ErrorOf({"--json", "--text", "a.m3u"}), "--json and --text cannot be given together");
}

std::string Json(std::string_view bytes) {
  OutputBuffer out;
  AppendJsonString(out, bytes);
  return out.Text();
}

TEST(CliOutput, JsonStringsLoseNothing) {
  EXPECT_EQ(Json(""), "\"\"");
  EXPECT_EQ(Json("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(Json("\t\r\n"), "\"\\t\\r\\n\"");
  EXPECT_EQ(Json(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\x7f\"");
  EXPECT_EQ(Json(std::string("\0x", 2)), "\"\\u0000x\"");
  EXPECT_EQ(Json("Caf\xe9 \x80\xff"), "\"Caf\\u00e9 \\u0080\\u00ff\"");
  // UTF-8 goes out as it is; one stray byte makes the whole text Latin-1.
  EXPECT_EQ(Json("Caf\xc3\xa9 \xe2\x82\xac\n"), "\"Caf\xc3\xa9 \xe2\x82\xac\\n\"");
  EXPECT_EQ(Json("\xc3\xa9\xe9"), "\"\\u00c3\\u00a9\\u00e9\"");
}

TEST(CliOutput, JsonStringsLoseNothingAtAnyPlace) {
  // Texts longer than the sixteen bytes looked at together, with the byte
  // that needs care at every place.
  const std::pair<char, std::string> specials[] = {
      {'"', "\\\""}, {'\\', "\\\\"}, {'\x01', "\\u0001"}, {'\xe9', "\\u00e9"}, {'\x7f', "\x7f"}};
  for (size_t length = 1; length <= 40; ++length) {
    for (size_t at = 0; at < length; ++at) {
      for (const auto& [byte, escaped] : specials) {
        std::string text(length, 'x');
        text[at] = byte;
        EXPECT_EQ(Json(text), '"' + std::string(at, 'x') + escaped +
                                  std::string(length - 1 - at, 'x') + '"')
            << length << " " << at;
      }
    }
  }
  const std::string utf8 = std::string(20, 'a') + "\xc3\xa9" + std::string(20, 'b') + "\xe2\x82\xac";
  EXPECT_EQ(Json(utf8), '"' + utf8 + '"');
}

TEST(CliOutput, Utf8IsTheStrictForm) {
  struct {
    const char* bytes;
    bool utf8;
  } cases[] = {
      {"", true}, {"plain", true}, {"\xc3\xa9", true}, {"\xe2\x82\xac", true},
      {"\xf0\x9f\x8e\xb5", true}, {"\xf4\x8f\xbf\xbf", true},  // U+10FFFF
      {"\xc3", false},                                            // cut short
      {"\xe2\x82", false}, {"\xc0\xaf", false}, {"\xe0\x80\xaf", false},  // overlong
      {"\xed\xa0\x80", false},                                    // a surrogate
      {"\xf4\x90\x80\x80", false}, {"\xf5\x80\x80\x80", false},  // past U+10FFFF
      {"\x80", false}, {"a\xe9" "b", false}, {"\xc3\xa9\xbf", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsUtf8(c.bytes), c.utf8) << c.bytes;
}

MP3Information Track(std::optional<std::string> info, std::string path, uint32_t seconds,
                     uint32_t kb, uint32_t volume, uint32_t position) {
  MP3Information track;
  track.SetTexts(info, path);
  track.PlayLength = seconds;
  track.FileSize = kb;
  track.Volume = volume;
  track.VolumeTrack = position;
  return track;
}

TEST(CliOutput, JsonDocumentOfOneTrack) {
  Playlist playlist;
  MP3Information track = Track(std::nullopt, "A\\b.mp3", 0, 3, 1, 0);
  track.Loaded = 1;
  std::string tag(128, '\0');
  tag.replace(0, 3, "TAG");
  tag.replace(3, 30, std::string(30, 'T'));  // a full field runs to its bound, no further
  tag.replace(33, 3, "Art");
  tag.replace(93, 4, "19\0x", 4);            // the year stops at its NUL
  tag[127] = static_cast<char>(255);
  Id3v1Block block;
  std::copy(tag.begin(), tag.end(), block.begin());
  track.SetTag(block);
  playlist.Tracks.push_back(std::move(track));
  playlist.TotalKB = 3;
  playlist.LoadErrors = 2;
  PlanTexts texts{"b - \"x\"", "1", "2", "3", "4"};
  PlanningSettings planning;
  ChooseFillMode(planning, kFillBySize);
  ChooseMedium(planning, 2);
  planning.ReserveKB = 7;
  planning.ReservedSplit = true;
  planning.MaximumVolumes = 3;
  PlanCheck check{{true}, {false, true}, {{"oversize", "track 1 (\"b\") takes more"}}};
  OutputBuffer out;
  WriteJson(out, texts, playlist, planning, 2, check);
  EXPECT_EQ(out.Text(),
            "{\n"
            "  \"title\": \"b - \\\"x\\\"\",\n"
            "  \"pending_message\": null,\n"
            "  \"rewritten\": false,\n"
            "  \"readouts\": {\"1005\": \"1\", \"1007\": \"2\", \"1008\": \"3\", \"1013\": \"4\", "
            "\"play_list\": \"1\", \"medium\": \"2\", \"reserve_first\": \"3\", \"total_kb\": \"4\"},\n"
            "  \"settings\": {\"fill\": \"size\", \"medium_row\": 2, \"medium_caption\": \"Mini-CDR\", "
            "\"capacity_seconds\": 1260, \"capacity_kb\": 189440, \"reserve_seconds\": 0, "
            "\"reserve_kb\": 7, \"reserved_split\": true, \"max_volumes\": 3},\n"
            "  \"totals\": {\"tracks\": 1, \"seconds\": 0, \"kb\": 3, \"load_errors\": 2},\n"
            "  \"warnings\": [\n"
            "    {\"kind\": \"oversize\", \"text\": \"track 1 (\\\"b\\\") takes more\"}\n"
            "  ],\n"
            "  \"volumes\": [\n"
            "    {\"number\": 1, \"tracks\": 0, \"seconds\": 0, \"kb\": 0, \"overfull\": false},\n"
            "    {\"number\": 2, \"tracks\": 1, \"seconds\": 0, \"kb\": 3, \"overfull\": true}\n"
            "  ],\n"
            "  \"tracks\": [\n"
            "    {\"index\": 0, \"file_path\": \"A\\\\b.mp3\", \"extended_info\": null, "
            "\"track_name\": \"b.mp3\", \"file_size_kb\": 3, \"play_length\": 0, \"length_source\": \"none\", "
            "\"volume\": 1, "
            "\"volume_track\": 0, \"oversize\": true, \"loaded\": true, \"tag\": {\"title\": \"" +
                std::string(30, 'T') +
                "\", \"artist\": \"Art\", \"album\": \"\", \"comment\": \"\", \"year\": \"19\", "
                "\"genre\": 255}}\n"
                "  ]\n"
                "}\n");

  OutputBuffer empty;
  WriteJson(empty, texts, Playlist(), PlanningSettings(), 0, PlanCheck());
  EXPECT_NE(empty.Text().find("\"warnings\": [],\n  \"volumes\": [],\n  \"tracks\": []\n}\n"),
            std::string::npos);
}

TEST(CliOutput, TrackListCountsPositionsAlongEachVolume) {
  Playlist playlist;
  playlist.Tracks.push_back(Track("#EXTINF:65,Artist - One, Two", "x\\1.mp3", 65, 0, 0, 0));
  playlist.Tracks.push_back(Track("#EXTINF:600", "x\\2.mp3", 600, 0, 1, 0));
  playlist.Tracks.push_back(Track(std::nullopt, "C:\\x\\3.mp3", 0, 1234567, 1, 1));
  // Merged into the last volume by the volume limit: VolumeTrack starts
  // again at 0, the printed position counts on.
  playlist.Tracks.push_back(Track("#EXTINF:6000,Long", "4.mp3", 6000, 0, 1, 0));
  OutputBuffer out;
  WriteTrackList(out, playlist);
  EXPECT_EQ(out.Text(),
            "  1  1   1  1:05        0 Artist - One, Two\n"
            "  2  2   1 10:00        0 x\\2.mp3\n"
            "  3  2   2  0:00  1234567 C:\\x\\3.mp3\n"
            "  4  2   3 100:00        0 Long\n");
}

TEST(CliOutput, PlanListsEveryVolumeWithItsTotals) {
  Playlist playlist;
  playlist.Tracks.push_back(Track("#EXTINF:2000,a", "a", 2000, 10, 1, 0));
  playlist.Tracks.push_back(Track("#EXTINF:2000,b", "b", 2000, 20, 1, 1));
  playlist.Tracks.push_back(Track("#EXTINF:800,c", "c", 800, 30, 2, 0));
  std::vector<VolumeSummary> volumes = SummarizeVolumes(playlist);
  ASSERT_EQ(volumes.size(), 3u);
  EXPECT_EQ(volumes[0].Tracks, 0u);
  EXPECT_EQ(volumes[1].Seconds, 4000u);
  EXPECT_EQ(volumes[1].KB, 30u);
  EXPECT_EQ(volumes[2].Tracks, 1u);

  OutputBuffer out;
  WritePlan(out, {"mix.m3u - (3/2)  1:20:00/ 1:20:00", "1:20:00", "1:20:00", "1:00:00", "60"},
            playlist);
  EXPECT_EQ(out.Text(),
            "mix.m3u - (3/2)  1:20:00/ 1:20:00\n"
            "Play List:   1:20:00\n"
            "Medium:      1:20:00\n"
            "Reserve 1st: 1:00:00\n"
            "Total KB:    60\n"
            "Volume  Tracks       Time          KB\n"
            "     1       0    0:00:00           0\n"
            "     2       2    1:06:40          30\n"
            "     3       1    0:13:20          30\n");

  // Numbers that outgrow their columns still stand apart.
  Playlist huge;
  huge.Tracks.push_back(Track("#EXTINF:4294967295,a", "a", 4294967295u, 4294967295u, 0, 0));
  OutputBuffer wide;
  WritePlan(wide, {"t", "", "", "", ""}, huge);
  EXPECT_NE(wide.Text().find("\n     1       1 1193046:28:15  4294967295\n"), std::string::npos)
      << wide.Text();

  // No list: no volumes; empty read-outs leave no trailing blanks.
  OutputBuffer none;
  WritePlan(none, {"Voltrak - by the Voltrak team", "", "", "", "0"}, Playlist());
  EXPECT_EQ(none.Text(),
            "Voltrak - by the Voltrak team\nPlay List:\nMedium:\nReserve 1st:\nTotal KB:    0\n");
}

// No byte of a file reaches a terminal as a control: ESC, NUL and C1 show
// as escapes; a Latin-1 text shows as its letters, UTF-8 as it stands.
TEST(CliOutput, TerminalTextShowsEveryByteHarmlessly) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"\x1b]0;PWNED\x07\x1b[2J", "\\x1b]0;PWNED\\x07\\x1b[2J"},
      {std::string_view("t1.mp3\0junk", 11), "t1.mp3\\x00junk"},
      {"Cr\xe8me", "Cr\xc3\xa8me"},
      {"Cr\xc3\xa8me", "Cr\xc3\xa8me"},
      {"\x9b" "2J", "\\u009b2J"},
      {"a\xc2\x9b" "b\x7f", "a\\u009bb\\x7f"},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(TerminalText(text), shown) << text;
  EXPECT_EQ(TerminalLines("a\tb\r\n\x0c" "c\n"), "a\tb\r\n\\x0cc\n");
}

TEST(CliRun, PathsAreMadeFullByNameAlone) {
  EXPECT_EQ(NormalizePosixPath("/"), "/");
  EXPECT_EQ(NormalizePosixPath("/tmp//x/./mix.m3u"), "/tmp/x/mix.m3u");
  EXPECT_EQ(NormalizePosixPath("/tmp/x/../y/"), "/tmp/y");
  EXPECT_EQ(NormalizePosixPath("/../../a"), "/a");
  EXPECT_EQ(NormalizePosixPath("/a/.."), "/");
#ifndef _WIN32
  EXPECT_EQ(PlaylistPathFor("/tmp/x/../mix.m3u"), "Z:\\tmp\\mix.m3u");
  EXPECT_EQ(PlaylistPathFor("D:/lists/mix.m3u"), "D:\\lists\\mix.m3u");
#endif
  // The core always gets a whole path: a drive and its root, never "mi".
  for (const char* given : {"mix.m3u", "lists\\mix.m3u", "C:mix.m3u", "\\lists\\mix.m3u"}) {
    EXPECT_TRUE(IsWholePath(PlaylistPathFor(given))) << given << " gave " << PlaylistPathFor(given);
  }
}

TEST(CliHost, MessagesAndProgressLines) {
  EXPECT_EQ(GnuMessage("a.m3u", "the playlist has no entries"),
            "voltrak-cli: a.m3u: the playlist has no entries");
  EXPECT_EQ(GnuMessage("", "bad"), "voltrak-cli: bad");
  EXPECT_EQ(AsClause("1 of the files could not be opened!"), "1 of the files could not be opened");
  EXPECT_EQ(AsClause("Path changed."), "path changed");
  EXPECT_EQ(AsClause("ID3 tag missing"), "ID3 tag missing");
#ifdef _WIN32
  EXPECT_FALSE(SystemErrorText(2).empty());
#else
  EXPECT_EQ(SystemErrorText(2), "The system cannot find the file specified.");
  EXPECT_EQ(FailureReason(kErrorFileNotFound, "Z:\\nowhere"), "No such file or directory");
  EXPECT_EQ(FailureReason(kErrorAccessDenied, "Z:\\nowhere"), "Permission denied");
  EXPECT_EQ(FailureReason(kErrorAccessDenied, "Z:\\tmp"), "Is a directory");
  EXPECT_EQ(FailureReason(kErrorBadNetPath, "\\\\srv\\a"), "The network path was not found");
  EXPECT_EQ(UserNameOf("Z:\\tmp\\x\\..\\a.mp3"), "/tmp/a.mp3");
#endif
  EXPECT_EQ(ProgressLine("L", 0, 4, 4), "L [....]   0% 0/4");
  EXPECT_EQ(ProgressLine("L", 3, 4, 4), "L [###.]  75% 3/4");
  EXPECT_EQ(ProgressLine("L", 9, 4, 4), "L [####] 100% 4/4");
  EXPECT_EQ(ProgressLine("L", 0, 0, 2), "L [##] 100% 0/0");
}

// A stream on a file in the scratch folder, for what the host prints.
std::FILE* OpenStream(const ScratchFolder& folder, std::string_view name) {
#ifdef _WIN32
  std::string path = folder / name;
#else
  std::string path = ToPosixPath(folder / name).value_or("");
#endif
  return std::fopen(path.c_str(), "w+b");
}

std::string ReadBack(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[512];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  return text;
}

TEST(CliHost, LoadMessagesGoToTheStreamAndQuestionsAreAnsweredNo) {
  ScratchFolder folder;
  folder.Write("a.mp3", TrackBytes(2048, "Title"));
  folder.Write("mix.m3u", "#EXTM3U\r\nmissing.mp3\r\na.mp3\r\n");
  std::FILE* messages = OpenStream(folder, "messages.txt");
  ASSERT_NE(messages, nullptr);
  LoadSettings settings;
  settings.CurrentPlaylistPath = folder / "mix.m3u";
  settings.PathMode = kAbsolutePaths;
  settings.WarnLoadErrors = true;
  Playlist playlist;
  {
    CliLoadHost host(messages, CliLoadHost::Progress::kAlways, "lists/mix.m3u");
    EXPECT_TRUE(LoadPlaylist(settings, playlist, SystemFileSystem(), host).Opened);
  }
  // Every entry is read although a file is missing: OK, not Cancel.
  EXPECT_EQ(playlist.TrackCount(), 2u);
  EXPECT_EQ(*playlist.Tracks[1].FilePath(), folder.Repaired("a.mp3"));
  std::string text = ReadBack(messages);
  std::fclose(messages);
  EXPECT_NE(text.find("voltrak-cli: " + UserNameOf(folder / "missing.mp3") +
                      ": cannot open the track file: "),
            std::string::npos);
  EXPECT_NE(text.find("voltrak-cli: lists/mix.m3u: path changed; the playlist file is left as it "
                      "was\n"),
            std::string::npos);
  EXPECT_NE(text.find("voltrak-cli: lists/mix.m3u: 1 of the files could not be opened\n"),
            std::string::npos);
  EXPECT_NE(text.find("2/2"), std::string::npos);  // the bar was drawn to its end
  // The playlist itself was left alone.
  EXPECT_EQ(folder.Read("mix.m3u"), "#EXTM3U\r\nmissing.mp3\r\na.mp3\r\n");

  std::FILE* failed = OpenStream(folder, "failed.txt");
  ASSERT_NE(failed, nullptr);
  CliLoadHost host(failed, CliLoadHost::Progress::kNever, "none.m3u");
  settings.CurrentPlaylistPath = folder / "none.m3u";
  EXPECT_FALSE(LoadPlaylist(settings, playlist, SystemFileSystem(), host).Opened);
  text = ReadBack(failed);
  std::fclose(failed);
  // One line, without the window's caption or the source line it names.
  EXPECT_EQ(text.rfind("voltrak-cli: none.m3u: cannot open the playlist: ", 0), 0u) << text;
  EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
}

}  // namespace
}  // namespace voltrak::cli
