#include "cli/cli_options.h"

#include <initializer_list>

#include <array>

#include "planning/media_table.h"

namespace voltrak::cli {
namespace {

enum class Id {
  kHelp, kVersion, kPaths, kDrive, kWarnLoadErrors, kFill, kMedium, kCapacity, kReserve,
  kReservedSplit, kMaxVolumes, kList, kJson, kProgress, kQuiet,
};

struct OptionSpec {
  const char* Name;
  Id Which;
  bool TakesValue;
};

constexpr std::array<OptionSpec, 15> kOptions = {{
    {"help", Id::kHelp, false},
    {"version", Id::kVersion, false},
    {"paths", Id::kPaths, true},
    {"drive", Id::kDrive, true},
    {"warn-load-errors", Id::kWarnLoadErrors, false},
    {"fill", Id::kFill, true},
    {"medium", Id::kMedium, true},
    {"capacity", Id::kCapacity, true},
    {"reserve", Id::kReserve, true},
    {"reserved-split", Id::kReservedSplit, false},
    {"max-volumes", Id::kMaxVolumes, true},
    {"list", Id::kList, false},
    {"json", Id::kJson, false},
    {"progress", Id::kProgress, false},
    {"quiet", Id::kQuiet, false},
}};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

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

// Finds a long option by its full name or by a prefix that names exactly
// one option, as GNU programs do.
const OptionSpec* FindOption(std::string_view name, bool* ambiguous) {
  *ambiguous = false;
  const OptionSpec* found = nullptr;
  for (const OptionSpec& option : kOptions) {
    if (name == option.Name) return &option;
  }
  for (const OptionSpec& option : kOptions) {
    if (std::string_view(option.Name).compare(0, name.size(), name) == 0) {
      if (found != nullptr) *ambiguous = true;
      found = &option;
    }
  }
  return *ambiguous ? nullptr : found;
}

std::string Quote(std::string_view text) { return "'" + std::string(text) + "'"; }

// Sets `target` to the position of `value` among `words` (the mode lists'
// row numbers); returns the usage error, or an empty text.
std::string ChooseWord(const std::string& name, std::string_view value,
                       std::initializer_list<const char*> words, uint32_t* target) {
  std::string list;
  uint32_t row = 0;
  for (const char* word : words) {
    if (value == word) {
      *target = row;
      return {};
    }
    list += (row++ == 0 ? "" : ", ") + std::string(word);
  }
  return name + ": " + Quote(value) + " is not one of " + list;
}

// Applies one option's value; returns the usage error, or an empty text.
std::string Apply(const OptionSpec& option, std::string_view value, CliOptions& options,
                  bool drivesAllowed) {
  const std::string name = std::string("--") + option.Name;
  switch (option.Which) {
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
      return ChooseWord(name, value, {"none", "time", "size"}, &options.FillMode);
    case Id::kMedium: {
      std::optional<size_t> row = FindMedium(value);
      if (!row) {
        return name + ": " + Quote(value) + " is neither a row from 0 to " +
               std::to_string(kMediumCount - 1) + " nor a medium's caption (see --help)";
      }
      options.MediumRow = *row;
      return {};
    }
    case Id::kCapacity:
      options.Capacities.emplace_back(value);
      return {};
    case Id::kReserve:
      options.Reserves.emplace_back(value);
      return {};
    case Id::kMaxVolumes: {
      std::optional<uint32_t> number = Decimal(value);
      if (!number) return name + ": " + Quote(value) + " is not a number from 0 to 4294967295";
      options.MaximumVolumes = *number;
      return {};
    }
    case Id::kWarnLoadErrors: options.WarnLoadErrors = true; return {};
    case Id::kReservedSplit: options.ReservedSplit = true; return {};
    case Id::kProgress: options.Progress = ProgressChoice::kOn; return {};
    case Id::kQuiet: options.Progress = ProgressChoice::kOff; return {};
    case Id::kList:
    case Id::kJson: {
      OutputForm form = option.Which == Id::kList ? OutputForm::kList : OutputForm::kJson;
      if (options.Output != OutputForm::kPlan && options.Output != form) {
        return "--list and --json cannot be given together";
      }
      options.Output = form;
      return {};
    }
    case Id::kHelp:
    case Id::kVersion:
      break;
  }
  return {};
}

}  // namespace

std::optional<size_t> FindMedium(std::string_view text) {
  if (std::optional<uint32_t> row = Decimal(text)) {
    if (*row < kMediumCount) return *row;
    return std::nullopt;
  }
  for (size_t row = 0; row < kMediumCount; ++row) {
    if (SameIgnoringCase(text, MediaTable[row].Caption)) return row;
  }
  return std::nullopt;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, bool drivesAllowed) {
  CommandLine result;
  auto fail = [&result](std::string error) {
    result.Action = CliAction::kUsageError;
    result.Error = std::move(error);
    return result;
  };
  bool onlyOperands = false;
  bool havePlaylist = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (onlyOperands || arg.size() < 2 || arg[0] != '-') {
      if (havePlaylist) return fail("only one playlist, please: " + Quote(arg) + " is one too many");
      result.Options.Playlist = arg;
      havePlaylist = true;
      continue;
    }
    if (arg == "--") {
      onlyOperands = true;
      continue;
    }
    if (arg == "-h") {
      result.Action = CliAction::kHelp;
      return result;
    }
    if (arg[1] != '-') return fail("unknown option " + Quote(arg) + " (options are long: --help)");

    std::string_view body = std::string_view(arg).substr(2);
    size_t equals = body.find('=');
    std::string_view name = body.substr(0, equals);
    bool ambiguous = false;
    const OptionSpec* option = FindOption(name, &ambiguous);
    if (ambiguous) return fail("option --" + std::string(name) + " is ambiguous");
    if (option == nullptr) return fail("unknown option --" + std::string(name));
    const std::string full = std::string("--") + option->Name;

    std::string_view value;
    if (option->TakesValue) {
      if (equals != std::string_view::npos) {
        value = body.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return fail(full + " needs a value");
      }
    } else if (equals != std::string_view::npos) {
      return fail(full + " takes no value");
    }

    if (option->Which == Id::kHelp || option->Which == Id::kVersion) {
      result.Action = option->Which == Id::kHelp ? CliAction::kHelp : CliAction::kVersion;
      return result;
    }
    std::string error = Apply(*option, value, result.Options, drivesAllowed);
    if (!error.empty()) return fail(error);
  }
  if (!havePlaylist) return fail("no playlist given");
  if (result.Options.Playlist.empty()) return fail("the playlist's name is empty");
  return result;
}

PlanningSettings PlanningSettingsFor(const CliOptions& options) {
  PlanningSettings settings;
  ChooseFillMode(settings, options.FillMode);
  ChooseMedium(settings, options.MediumRow);
  for (const std::string& text : options.Capacities) {
    EnterCapacity(settings, CapacityField::kMedium, text);
  }
  for (const std::string& text : options.Reserves) {
    EnterCapacity(settings, CapacityField::kReserve, text);
  }
  settings.ReservedSplit = options.ReservedSplit;
  settings.MaximumVolumes = options.MaximumVolumes;
  return settings;
}

std::string UsageText() {
  std::string text =
      "Usage: voltrak-cli [OPTION]... PLAYLIST\n"
      "Loads an extended M3U playlist, reads every track file's size and ID3v1 tag,\n"
      "and plans how the list, in its order, divides into volumes that each fit one\n"
      "medium.\n"
      "\n"
      "Loading:\n"
      "  --paths=MODE         repair the listed paths: ignore (default), relative,\n"
      "                       absolute; the playlist file itself is not rewritten\n"
      "  --drive=X=DIR        drive letter X: stands for folder DIR (repeatable;\n"
      "                       not on Windows); Z: is the root, others are unmapped\n"
      "  --warn-load-errors   name each track file that cannot be opened, and count\n"
      "                       them at the end\n"
      "\n"
      "Planning (applied in this order, as in the window):\n"
      "  --fill=MODE          none (default), time or size\n"
      "  --medium=ROW|NAME    a medium by its row or caption (default 0, CDR)\n"
      "  --capacity=EXPR      as typed into \"Medium:\": 1:20:00, 700k, 74:00+6:00;\n"
      "                       a leading + or - adds to or takes from the medium\n"
      "  --reserve=EXPR       as typed into \"Reserve 1st:\", the same way\n"
      "  --reserved-split     fill only the first volume; the rest goes into the next\n"
      "  --max-volumes=N      highest volume number (0, the default, is no limit)\n"
      "\n"
      "Output (default: the title, the read-outs and one line per volume):\n"
      "  --list               one line per track: number, volume, position, time, name\n"
      "  --json               everything loaded and planned as one JSON document;\n"
      "                       bytes above 127 are written as \\u0080 to \\u00ff\n"
      "  --progress           show the progress bar on standard error even when it\n"
      "                       is not a terminal\n"
      "  --quiet              never show the progress bar\n"
      "  --help               show this help and exit\n"
      "  --version            show the version and exit\n"
      "\n"
      "Media:\n";
  for (size_t row = 0; row < kMediumCount; ++row) {
    std::string number = std::to_string(row);
    text += std::string(number.size() < 2 ? "   " : "  ") + number + "  " +
            MediumListText(MediaTable[row]) + "\n";
  }
  text +=
      "\n"
      "Exit status: 0 done (also when some track files could not be opened),\n"
      "1 the playlist could not be opened, 2 bad usage, 3 output could not be written.\n";
  return text;
}

}  // namespace voltrak::cli
