#include "app/shell_rules.h"

#include <algorithm>

#include <cstdio>

#include "planning/volume_planner.h"
#include "resources/resource.h"
#include "support/file_system.h"

namespace voltrak {

std::string PathFromCommandLine(std::string_view line) {
  if (!line.empty() && line.front() == '"') {
    std::string path(line.substr(1));
    if (!path.empty()) path.pop_back();
    return path;
  }
  return std::string(line);
}

namespace {

using A = CommandAction;
// Output, sets LastCommand, waits for a load, help topic.
constexpr bool O = true, L = true, W = true, H = true, _ = false;
constexpr CommandRow kCommands[] = {
    {IDC_OPEN, A::kOpen, _, _, W, H},
    {IDC_REOPEN, A::kReopen, _, _, W, H},
    {IDC_WINAMP, A::kWinAmp, _, _, W, H},
    {IDC_EXPLORE_FOLDER, A::kExploreFolder, _, _, _, H},
    {IDC_CREATE_HTML, A::kCreateHtml, O, L, W, H},
    {IDC_SPLIT_LISTS, A::kSplitLists, O, L, W, H},
    {IDC_CREATE_LBL, A::kCreateLbl, O, _, W, H},
    {IDC_COPY_TRACKS, A::kCopyTracks, O, _, W, H},
    {IDC_PRINT, A::kPrint, O, L, W, H},
    {IDC_EDIT, A::kEdit, _, _, W, H},
    {IDC_CREATE_CUE, A::kCreateCue, O, _, W, H},
    {IDC_LAUNCH, A::kLaunch, _, _, _, H},
    {IDC_EXIT, A::kExit, _, _, W, H},
    {IDC_RESET, A::kReset, _, _, W, H},
    {IDC_COPY_CLIPBOARD, A::kCopyClipboard, O, L, W, H},
    {IDC_OPTIONS, A::kOptions, _, _, _, H},
    {IDC_ALWAYS_ON_TOP, A::kAlwaysOnTop, _, _, _, H},
    {IDC_WARN_LOAD_ERRORS, A::kWarnLoadErrors, _, _, _, H},
    {IDC_RESERVED_SPLIT, A::kPlan, _, _, _, H},
    {IDC_MARQUEE, A::kWebLink, _, _, _, H},
    {IDC_PLUGIN, A::kPlugin, _, _, W, H},
    {IDC_PLAYLIST_TOTAL, A::kIgnored, _, _, _, H},
    {IDC_MEDIUM, A::kCapacity, _, _, _, H},
    {IDC_RESERVE, A::kCapacity, _, _, _, H},
    {IDC_TOTAL_KB, A::kIgnored, _, _, _, H},
    {IDC_MEDIUM_LIST, A::kMediumList, _, _, _, H},
    {IDC_DUPLICATE_MODE, A::kDuplicateMode, _, _, _, H},
    {IDC_PATH_MODE, A::kPathMode, _, _, _, H},
    {IDC_FILL_MODE, A::kFillMode, _, _, _, H},
    {IDC_MAXIMUM_VOLUMES, A::kPlan, _, _, _, H},
    {IDC_MAXIMUM_VOLUMES_SPIN, A::kNoCommand, _, _, _, H},
    {IDC_PROGRESS, A::kNoCommand, _, _, _, H},
    {IDC_DROP_PROGRESS, A::kNoCommand, _, _, _, H},
    {IDC_BUILD_DATE, A::kNoCommand, _, _, _, H},
    {IDC_BUILD_TIME, A::kNoCommand, _, _, _, H},
};

}  // namespace

const CommandRow* FindCommand(uint32_t id) {
  for (const CommandRow& row : kCommands) {
    if (row.Id == id) return row.Action == CommandAction::kNoCommand ? nullptr : &row;
  }
  return nullptr;
}

bool IsOutputCommand(uint32_t id) {
  const CommandRow* row = FindCommand(id);
  return row != nullptr && row->IsOutput;
}

uint32_t LastCommandAfter(uint32_t id, uint32_t current) {
  const CommandRow* row = FindCommand(id);
  return row != nullptr && row->SetsLastCommand ? id : current;
}

uint32_t LastCommandForDrop(bool inClientArea, uint32_t childId, uint32_t current) {
  uint32_t named = inClientArea ? childId : current;
  return IsOutputCommand(named) ? named : 0;
}

bool WaitsForLoad(uint32_t id) {
  const CommandRow* row = FindCommand(id);
  return row != nullptr && row->WaitsForLoad;
}

StepsAfterLoad AfterLoad(const LoadOutcome& outcome, std::string_view path, bool autoRepeat,
                         uint32_t lastCommand) {
  if (outcome.RewriteTookOver) return {};
  return {true, KeptAsLastFile(path), autoRepeat ? lastCommand : 0};
}

uint32_t NextMarqueeIndex(uint32_t index) { return (index + 1) % kMarqueeTexts; }

std::string MarqueeText(uint32_t index, std::string_view buildDate, std::string_view buildTime) {
  switch (index % kMarqueeTexts) {
    case 0:
      return kProgramName;
    case 1:
      return kAuthorCredit;
    case 2:
      return kMakerWebAddress;
    case 3:
      return std::string(buildDate);
    default:
      return std::string(buildTime);
  }
}

std::string ExploreFolderOf(std::string_view path) {
  size_t cut = path.rfind('\\');
  if (cut == std::string_view::npos) return {};
  return std::string(path.substr(0, cut));
}

bool HasHelpTopic(uint32_t id) {
  for (const CommandRow& row : kCommands) {
    if (row.Id == id) return row.HelpTopic;
  }
  return false;
}

std::string HelpPageAddress(std::string_view programFolder, uint32_t controlId) {
  // A file URL rather than a path: only a URL can carry the anchor through
  // the desktop to the browser.
  std::string address = "file:///";
  auto append = [&address](std::string_view text) {
    for (char c : text) {
      unsigned char byte = static_cast<unsigned char>(c);
      if (c == '\\') {
        address += '/';
      } else if (byte <= 0x20 || byte >= 0x7F || c == '#' || c == '%' || c == '?' || c == '"') {
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
        address += escaped;
      } else {
        address += c;
      }
    }
  };
  append(programFolder);
  if (!address.empty() && address.back() != '/') address += '/';
  append(kHelpPageName);
  if (HasHelpTopic(controlId)) address += "#" + std::to_string(controlId);
  return address;
}

ProgramCall ExpandAssociationCommand(std::string_view command, std::string_view argument) {
  ProgramCall call;
  size_t start = command.find_first_not_of(' ');
  if (start == std::string_view::npos) return call;
  command.remove_prefix(start);
  size_t rest = 0;
  if (command[0] == '"') {
    size_t close = command.find('"', 1);
    if (close == std::string_view::npos) close = command.size();
    call.Program = std::string(command.substr(1, close - 1));
    rest = close < command.size() ? close + 1 : close;
  } else {
    rest = std::min(command.find(' '), command.size());
    call.Program = std::string(command.substr(0, rest));
  }
  std::string_view parameters = command.substr(rest);
  parameters.remove_prefix(std::min(parameters.find_first_not_of(' '), parameters.size()));
  bool placed = false;
  for (size_t i = 0; i < parameters.size(); ++i) {
    if (parameters[i] == '%' && i + 1 < parameters.size() &&
        (parameters[i + 1] == '1' || parameters[i + 1] == 'L' || parameters[i + 1] == 'l')) {
      call.Parameters += argument;
      placed = true;
      ++i;
    } else {
      call.Parameters += parameters[i];
    }
  }
  if (!placed) {
    if (!call.Parameters.empty()) call.Parameters += ' ';
    call.Parameters += "\"" + std::string(argument) + "\"";
  }
  return call;
}

}  // namespace voltrak
