#include "cli/cli_options.h"

#include <getopt.h>

#include <algorithm>
#include <array>
#include <initializer_list>

#include "cli/cli_units.h"
#include "planning/capacity_expression.h"
#include "planning/media_table.h"
#include "support/text_forms.h"

namespace voltrak::cli {
namespace {

// getopt_long's answers for the long options: past every byte, so never an
// option letter, '?' or 1 (an operand).
enum Id : int {
  kHelp = 256, kVersion, kPaths, kDrive, kWarnLoadErrors, kFill, kMedium, kCapacity, kReserve,
  kReservedSplit, kMaxVolumes, kList, kJson, kProgress, kQuiet, kSplit, kHtml, kCue, kLabel,
  kListings, kDuplicates, kRewrite, kText, kCopy, kCopyName, kStripNumbers, kNoStripNumbers,
  kForce, kName, kMeasure, kNoMeasure, kId3v2, kNoId3v2, kSize, kTime, kStrict, kPerVolume,
  kDryRun, kVerbose,
};

// A name comes before the longer names that begin with it: MinGW's
// getopt_long, meeting two of those first, would call the name ambiguous.
constexpr option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"paths", required_argument, nullptr, kPaths},
    {"drive", required_argument, nullptr, kDrive},
    {"warn-load-errors", no_argument, nullptr, kWarnLoadErrors},
    {"measure", no_argument, nullptr, kMeasure},
    {"no-measure", no_argument, nullptr, kNoMeasure},
    {"id3v2", no_argument, nullptr, kId3v2},
    {"no-id3v2", no_argument, nullptr, kNoId3v2},
    {"duplicates", required_argument, nullptr, kDuplicates},
    {"rewrite", no_argument, nullptr, kRewrite},
    {"fill", required_argument, nullptr, kFill},
    {"medium", required_argument, nullptr, kMedium},
    {"size", required_argument, nullptr, kSize},
    {"time", required_argument, nullptr, kTime},
    {"capacity", required_argument, nullptr, kCapacity},
    {"reserve", required_argument, nullptr, kReserve},
    {"reserved-split", no_argument, nullptr, kReservedSplit},
    {"max-volumes", required_argument, nullptr, kMaxVolumes},
    {"list", no_argument, nullptr, kList},
    {"json", no_argument, nullptr, kJson},
    {"text", optional_argument, nullptr, kText},
    {"progress", no_argument, nullptr, kProgress},
    {"quiet", no_argument, nullptr, kQuiet},
    {"strict", no_argument, nullptr, kStrict},
    {"verbose", no_argument, nullptr, kVerbose},
    {"dry-run", no_argument, nullptr, kDryRun},
    {"split", no_argument, nullptr, kSplit},
    {"html", no_argument, nullptr, kHtml},
    {"cue", no_argument, nullptr, kCue},
    {"label", no_argument, nullptr, kLabel},
    {"listings", required_argument, nullptr, kListings},
    {"copy", required_argument, nullptr, kCopy},
    {"copy-name", required_argument, nullptr, kCopyName},
    {"strip-numbers", no_argument, nullptr, kStripNumbers},
    {"no-strip-numbers", no_argument, nullptr, kNoStripNumbers},
    {"force", no_argument, nullptr, kForce},
    {"per-volume", no_argument, nullptr, kPerVolume},
    {"name", required_argument, nullptr, kName},
    {nullptr, 0, nullptr, 0},
};

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A whole decimal number that fits 32 bits.
std::optional<uint32_t> Decimal(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::string Quote(std::string_view text) { return "'" + std::string(text) + "'"; }

// Sets `target` to the position of `value` among `words` (the mode lists'
// row numbers); returns the usage error, or an empty text.
template <typename Mode>
std::string ChooseWord(const std::string& name, std::string_view value,
                       std::initializer_list<const char*> words, Mode* target) {
  std::string list;
  uint32_t row = 0;
  for (const char* word : words) {
    if (value == word) {
      *target = static_cast<Mode>(row);
      return {};
    }
    list += (row++ == 0 ? "" : ", ") + std::string(word);
  }
  return name + ": " + Quote(value) + " is not one of " + list;
}

// Applies one option's value; returns the usage error, or an empty text.
std::string Apply(const option& given, std::string_view value, CliOptions& options,
                  bool drivesAllowed) {
  const std::string name = std::string("--") + given.name;
  switch (static_cast<Id>(given.val)) {
    case Id::kPaths:
      return ChooseWord(name, value, {"ignore", "relative", "absolute"}, &options.PathMode);
    case Id::kDrive: {
      if (!drivesAllowed) return name + ": the system assigns the drive letters here";
      if (value.size() < 3 || !IsLetter(value[0]) || value[1] != '=') {
        return name + ": " + Quote(value) + " is not of the form X=DIR";
      }
      options.Drives.push_back({static_cast<char>(value[0] & ~0x20), std::string(value.substr(2))});
      return {};
    }
    case Id::kFill:
      options.FillGiven = true;
      return ChooseWord(name, value, {kFillWords[0], kFillWords[1], kFillWords[2]},
                        &options.FillMode);
    case Id::kSize:
    case Id::kTime: {
      const FillBy mode = given.val == kSize ? kFillBySize : kFillByTime;
      if (options.Capacity && options.Capacity->Mode != mode) {
        return "--size and --time cannot be given together";
      }
      UnitReading reading = mode == kFillBySize ? ParseSize(value) : ParseLength(value);
      if (!reading.Value) return name + ": " + reading.Error;
      options.Capacity = CliOptions::Measured{mode, *reading.Value};
      return {};
    }
    case Id::kMedium: {
      std::optional<size_t> row = FindMedium(value);
      if (!row) {
        std::string listing = MediaListing();
        listing.pop_back();  // the caller ends the message's line
        return name + ": " + Quote(value) +
               " is not a medium; give its row, its caption or its text:\n" + listing;
      }
      options.MediumRow = *row;
      return {};
    }
    case Id::kCapacity:
    case Id::kReserve: {
      // A text with no digit is 0 to the window; here it is surely a slip.
      if (value.substr(0, kMaxCapacityTextLength).find_first_of("0123456789") ==
          std::string_view::npos) {
        return name + ": " + Quote(value) + " holds no number";
      }
      (given.val == kCapacity ? options.Capacities : options.Reserves).emplace_back(value);
      return {};
    }
    case Id::kMaxVolumes: {
      std::optional<uint32_t> number = Decimal(value);
      if (!number) return name + ": " + Quote(value) + " is not a number from 0 to 4294967295";
      options.MaximumVolumes = *number;
      return {};
    }
    case Id::kDuplicates:
      return ChooseWord(name, value, {"keep-all", "query", "keep-first", "keep-last"},
                        &options.DuplicateMode);
    case Id::kRewrite: options.Rewrite = true; return {};
    case Id::kWarnLoadErrors: options.WarnLoadErrors = true; return {};
    case Id::kMeasure: options.MeasureUntimed = true; return {};
    case Id::kNoMeasure: options.MeasureUntimed = false; return {};
    case Id::kId3v2: options.ReadId3v2 = true; return {};
    case Id::kNoId3v2: options.ReadId3v2 = false; return {};
    case Id::kReservedSplit: options.ReservedSplit = true; return {};
    case Id::kProgress: options.Progress = ProgressChoice::kOn; return {};
    case Id::kQuiet:
      options.Progress = ProgressChoice::kOff;
      options.Quiet = true;
      return {};
    case Id::kStrict: options.Strict = true; return {};
    case Id::kDryRun: options.DryRun = true; return {};
    case Id::kVerbose: options.Verbose = true; return {};
    case Id::kPerVolume: options.Outputs.PerVolume = true; return {};
    case Id::kName:
      if (value.empty()) return name + ": give the path the list goes by";
      options.Name = std::string(value);
      return {};
    case Id::kCopy:
      if (value.empty()) return name + ": give the folder to copy the tracks into";
      options.Outputs.CopyTo = std::string(value);
      return {};
    case Id::kCopyName: {
      uint32_t byFile = 0;
      std::string error = ChooseWord(name, value, {"info", "file"}, &byFile);
      options.Outputs.Copy.CopyNameByInfo = byFile ? 0 : 1;
      return error;
    }
    case Id::kStripNumbers: options.Outputs.Copy.CopyStripNumbers = 1; return {};
    case Id::kNoStripNumbers: options.Outputs.Copy.CopyStripNumbers = 0; return {};
    case Id::kForce: options.Outputs.Force = true; return {};
    case Id::kSplit: options.Outputs.Split = true; return {};
    case Id::kHtml: options.Outputs.Html = true; return {};
    case Id::kCue: options.Outputs.Cue = true; return {};
    case Id::kLabel: options.Outputs.Label = true; return {};
    case Id::kListings:
      if (std::optional<std::string> unknown = ChooseListings(value, options.Outputs.Listings)) {
        return name + ": " + Quote(*unknown) +
               " is not one of trackname, title, artist, album, path";
      }
      return {};
    case Id::kList:
    case Id::kJson:
    case Id::kText: {
      constexpr std::array<const char*, 4> kFormNames = {"", "--list", "--json", "--text"};
      OutputForm form = given.val == kList   ? OutputForm::kList
                        : given.val == kJson ? OutputForm::kJson
                                            : OutputForm::kText;
      if (options.Output != OutputForm::kPlan && options.Output != form) {
        return std::string(kFormNames[static_cast<size_t>(options.Output)]) + " and " +
               kFormNames[static_cast<size_t>(form)] + " cannot be given together";
      }
      options.Output = form;
      if (form != OutputForm::kText || value.empty()) return {};
      uint32_t shape = 0;
      std::string error = ChooseWord(name, value, {"numbered", "grouped"}, &shape);
      options.TextShape = shape == 0 ? ListTextShape::kNumbered : ListTextShape::kGroupedByFolder;
      return error;
    }
    case Id::kHelp:
    case Id::kVersion:
      break;
  }
  return {};
}

// What getopt_long refused in `arg`; `known` is the option it did match
// (its answer), or 0.
std::string Refusal(std::string_view arg, int known) {
  if (arg.substr(0, 2) != "--") {
    return "unknown option " + Quote(arg) + " (options are long: --help)";
  }
  const std::string_view body = arg.substr(2);
  const std::string name(body.substr(0, body.find('=')));
  size_t matches = 0;
  for (const option& given : kOptions) {
    if (given.name == nullptr) break;
    if (given.val == known) {
      return "--" + std::string(given.name) +
             (given.has_arg == no_argument ? " takes no value" : " needs a value");
    }
    if (std::string_view(given.name).compare(0, name.size(), name) == 0) ++matches;
  }
  return matches > 1 ? "option --" + name + " is ambiguous" : "unknown option --" + name;
}

}  // namespace

std::optional<size_t> FindMedium(std::string_view text) {
  if (std::optional<uint32_t> row = Decimal(text)) {
    if (*row < kMediumCount) return *row;
    return std::nullopt;
  }
  for (size_t row = 0; row < kMediumCount; ++row) {
    if (SameIgnoringCase(text, MediaTable[row].Caption) ||
        SameIgnoringCase(text, MediumListText(MediaTable[row]))) {
      return row;
    }
  }
  return std::nullopt;
}

std::string MediaListing() {
  std::string text;
  for (size_t row = 0; row < kMediumCount; ++row) {
    std::string number = std::to_string(row);
    text += std::string(number.size() < 2 ? "   " : "  ") + number + "  " +
            MediumListText(MediaTable[row]) + "\n";
  }
  return text;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, bool drivesAllowed) {
  CommandLine result;
  auto fail = [&result](std::string error) {
    result.Action = CliAction::kUsageError;
    result.Error = std::move(error);
    return result;
  };
  bool havePlaylist = false;
  auto operand = [&](const char* text) {
    if (havePlaylist) return "only one playlist, please: " + Quote(text) + " is one too many";
    result.Options.Playlist = text;
    havePlaylist = true;
    return std::string();
  };
  // getopt_long only reads the texts; with "-" before the letters it leaves
  // their order alone and hands each operand over where it stands.
  std::vector<char*> argv{const_cast<char*>("voltrak-cli")};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const int argc = static_cast<int>(argv.size() - 1);
  optind = 0;  // starts the scan afresh, on glibc and MinGW alike
  opterr = 0;  // the messages are ours
  for (;;) {
    const int at = std::max(optind, 1);  // where this option starts: an error names it
    int found = -1;
    const int got = getopt_long(argc, argv.data(), "-h", kOptions, &found);
    if (got == -1) break;
    std::string error;
    if (got == 1) {
      error = operand(optarg);
    } else if (got == 'h' || got == kHelp || got == kVersion) {
      result.Action = got == kVersion ? CliAction::kVersion : CliAction::kHelp;
      return result;
    } else if (got == '?') {
      error = Refusal(argv[static_cast<size_t>(at)], optopt);
    } else {
      error = Apply(kOptions[found], optarg ? optarg : "", result.Options, drivesAllowed);
    }
    if (!error.empty()) return fail(error);
  }
  // After "--", every argument is an operand.
  for (int i = optind; i < argc; ++i) {
    std::string error = operand(argv[static_cast<size_t>(i)]);
    if (!error.empty()) return fail(error);
  }
  if (const std::optional<CliOptions::Measured>& measured = result.Options.Capacity) {
    // --size and --time choose the fill mode themselves.
    const char* given = measured->Mode == kFillBySize ? "--size" : "--time";
    if (result.Options.FillGiven && result.Options.FillMode != measured->Mode) {
      return fail(std::string("--fill=") + kFillWords[result.Options.FillMode] + " and " + given +
                  " cannot be given together");
    }
    result.Options.FillMode = measured->Mode;
  }
  if (!havePlaylist) return fail("no playlist given");
  if (result.Options.Playlist.empty()) return fail("the playlist's name is empty");
  return result;
}

PlanningSettings PlanningSettingsFor(const CliOptions& options, std::string* refused) {
  PlanningSettings settings;
  ChooseFillMode(settings, options.FillMode);
  ChooseMedium(settings, options.MediumRow);
  if (options.Capacity) {
    (options.Capacity->Mode == kFillBySize ? settings.MediumKB : settings.MediumSeconds) =
        options.Capacity->Value;
  }
  auto enter = [&](CapacityField field, const std::string& text) {
    if (!EnterCapacity(settings, field, text) && refused != nullptr && refused->empty()) {
      *refused = std::string(field == CapacityField::kMedium ? "--capacity" : "--reserve") +
                 ": '" + text + "' does not fit in 32 bits (0 to 4294967295)";
    }
  };
  for (const std::string& text : options.Capacities) enter(CapacityField::kMedium, text);
  for (const std::string& text : options.Reserves) enter(CapacityField::kReserve, text);
  settings.ReservedSplit = options.ReservedSplit;
  settings.MaximumVolumes = options.MaximumVolumes;
  return settings;
}

std::string UsageText() {
  std::string text =
      "Usage: voltrak-cli [OPTION]... PLAYLIST\n"
      "Loads an extended M3U playlist, reads every track file's size and tag (and\n"
      "the play length of one the list does not time), and plans how the list, in\n"
      "its order, divides into volumes that each fit one medium. A PLAYLIST of -\n"
      "is read from standard input; its entries are then found from the current\n"
      "folder, or from the folder of --name=PATH, which names the list for the\n"
      "outputs that are written beside it (--split, --html, --cue, --label; they,\n"
      "and --rewrite, need a name).\n"
      "\n"
      "Loading:\n"
      "  --paths=MODE         repair the listed paths: ignore (default), relative,\n"
      "                       absolute; the file itself changes only with --rewrite\n"
      "  --drive=X=DIR        drive letter X: stands for folder DIR (repeatable;\n"
      "                       not on Windows); Z: is the root, others are unmapped\n"
      "  --warn-load-errors   name each track file that cannot be opened, and count\n"
      "                       them at the end\n"
      "  --measure, --no-measure\n"
      "                       measure the play length of a track whose #EXTINF:\n"
      "                       line gives none (or that has no such line) from the\n"
      "                       file itself (default on)\n"
      "  --id3v2, --no-id3v2  read an ID3v2 tag's title, artist, album, year, comment,\n"
      "                       track and genre for a file without an ID3v1 tag\n"
      "                       (default on)\n"
      "  --duplicates=MODE    entries listed twice (same name and path): keep-all\n"
      "                       (default), keep-first, keep-last, or query: ask about\n"
      "                       each pair on the terminal (1 or 2 removes that one,\n"
      "                       b keeps both, s stops asking and removes nothing)\n"
      "  --rewrite            when paths were repaired or duplicates removed, write\n"
      "                       the list back to the playlist file after a dated\n"
      "                       backup beside it (without it the file is never touched)\n"
      "\n"
      "Planning (applied in this order, as in the window):\n"
      "  --fill=MODE          time (default), size or none\n"
      "  --medium=MEDIUM      a medium by its row, its caption or its text as listed\n"
      "                       below, in any case (default 0, CDR)\n"
      "  --size=SIZE          split by size onto media of SIZE: 700MB, 4.7GB, 700MiB,\n"
      "                       1G or 650000000 (bytes)\n"
      "  --time=TIME          split by time onto media of TIME: 80min, 1:20:00, 80:00\n"
      "                       or 4800s\n"
      "  --capacity=EXPR      one volume's capacity, as typed into \"Medium:\"\n"
      "  --reserve=EXPR       what the first volume holds already, as typed into\n"
      "                       \"Reserve 1st:\"\n"
      "  --reserved-split     fill only the first volume; the rest goes into the next\n"
      "  --max-volumes=N      plan volumes 1 to N+1 at most, the last holding all the\n"
      "                       rest (0, the default, is no limit)\n"
      "\n"
      "Units. --size takes KB, MB, GB, TB as powers of 1000, KiB to TiB and the bare\n"
      "letters K, M, G, T as powers of 1024; --time takes h:mm:ss, m:ss, or numbers\n"
      "with s, m (min), h, d or w, a bare number being seconds. --capacity and\n"
      "--reserve keep the window's own language, which counts seconds with\n"
      "--fill=time and kilobytes with --fill=size:\n"
      "  time   1:20:00 and 80:00 are 80 minutes; 90 is 90 seconds; 1.5 is 1:05\n"
      "  size   a bare number is KB; k, m and g multiply by 1024, so 700k is\n"
      "         700 MB and 1m is 1 GB\n"
      "  both   a leading + or - adds to or takes from the value before it (the\n"
      "         medium's, --size's or --time's, or the one typed before), and\n"
      "         74:00+6:00 is a sum; a text without a digit, or one whose value\n"
      "         passes 0 to 4294967295 at any step, is refused\n"
      "\n"
      "Output (default: the title, the read-outs and one line per volume):\n"
      "  --list               one line per track: number, volume, position, time,\n"
      "                       size in KB, name\n"
      "  --json               everything loaded and planned as one JSON document; a\n"
      "                       text that is valid UTF-8 is written as that text, any\n"
      "                       other in its Latin-1 reading, each byte one character;\n"
      "                       \"index\", \"volume\" and \"volume_track\" count from 0,\n"
      "                       a volume's \"number\" from 1\n"
      "  --text[=SHAPE]       the list as Copy to Clipboard gives it: numbered (the\n"
      "                       default: totals, then one numbered line per track)\n"
      "                       or grouped (file names under their folders, sorted by\n"
      "                       path, a form feed before each folder but the first)\n"
      "  --split              write one playlist per volume beside the playlist:\n"
      "                       NAME-001.M3U, NAME-002.M3U, ...\n"
      "  --html               write the HTML report NAME.html (not opened)\n"
      "  --listings=LIST      the report's sorted listings, comma-separated:\n"
      "                       trackname, title, artist, album, path (default title;\n"
      "                       empty for none)\n"
      "  --cue                write the cue sheet NAME.cue\n"
      "  --label              write the label file NAME.lbl\n"
      "  --copy=DIR           last, copy every track in list order into DIR as\n"
      "                       001-NAME.mp3, 002-..., keeping the files' times; DIR\n"
      "                       and the folders above it are made when missing;\n"
      "                       refused when the tracks need more than DIR's free space\n"
      "  --per-volume         disc by disc: --copy makes a folder per volume in DIR\n"
      "                       (DIR/Volume 01/001-NAME.mp3, numbered within the\n"
      "                       volume), and --cue and --label write a sheet and a label\n"
      "                       per volume beside the split lists (NAME-001.cue,\n"
      "                       NAME-001.lbl, ...), each disc's sheet from 00:00:00\n"
      "  --copy-name=HOW      info: the track's name (default); file: its file name\n"
      "  --strip-numbers, --no-strip-numbers\n"
      "                       with --copy-name=file, drop a leading track number\n"
      "                       (default on)\n"
      "  --force              copy although the free space seems too small\n"
      "                       (the files are written in this order, after the plan)\n"
      "  --dry-run            load, plan and show everything, then name each file that\n"
      "                       would be written, copied, made, renamed or backed up,\n"
      "                       and write nothing\n"
      "  --verbose            name each file written, copied, made or backed up\n"
      "                       (on standard output after the plan; on standard error\n"
      "                       with --json or --text, as for --dry-run)\n"
      "\n"
      "Warnings on standard error say when the plan may not be what you meant:\n"
      "tracks that could not be read, a track larger than the medium, a volume\n"
      "fuller than the medium, a capacity of 0, and a --capacity or --reserve with\n"
      "k, m, g or t in a time plan. --json holds them too.\n"
      "\n"
      "Messages:\n"
      "  --strict             after the plan, stop with exit status 1 when there was\n"
      "                       a warning, writing no file\n"
      "  --progress           show the progress bar on standard error even when it\n"
      "                       is not a terminal\n"
      "  --quiet              no warnings and never the progress bar\n"
      "  --help               show this help and exit\n"
      "  --version            show the version and exit\n"
      "\n"
      "Media:\n";
  text += MediaListing();
  text +=
      "\n"
      "Exit status: 0 done (also when some track files could not be opened),\n"
      "1 the playlist could not be opened or read, or a warning with --strict,\n"
      "2 bad usage, 3 output could not be written.\n"
      "\n"
      "Environment: VOLTRAK_READ_THREADS=N reads the track files on N threads\n"
      "(32 by default; 1 reads them one after another).\n";
  return text;
}

}  // namespace voltrak::cli
