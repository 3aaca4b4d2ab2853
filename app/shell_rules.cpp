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

CommandRoute RouteOfCommand(uint32_t id) {
  switch (id) {
    case IDC_OPEN:
    case IDC_REOPEN:
    case IDC_EXPLORE_FOLDER:
    case IDC_LAUNCH:
    case IDC_RESET:
    case IDC_EXIT:
    case IDC_ALWAYS_ON_TOP:
    case IDC_WARN_LOAD_ERRORS:
    case IDC_MARQUEE:
    case IDC_MEDIUM_LIST:
    case IDC_DUPLICATE_MODE:
    case IDC_PATH_MODE:
    case IDC_FILL_MODE:
    case IDC_RESERVED_SPLIT:
    case IDC_MAXIMUM_VOLUMES:
    case IDC_MEDIUM:
    case IDC_RESERVE:
    case IDC_CREATE_HTML:
    case IDC_SPLIT_LISTS:
    case IDC_CREATE_LBL:
    case IDC_CREATE_CUE:
    case IDC_WINAMP:
    case IDC_PLUGIN:
    case IDC_EDIT:
    case IDC_PRINT:
    case IDC_COPY_CLIPBOARD:
    case IDC_OPTIONS:
    case IDC_COPY_TRACKS:
      return CommandRoute::kCarriedOut;
    case IDC_PLAYLIST_TOTAL:
    case IDC_TOTAL_KB:
      return CommandRoute::kIgnored;
    default:
      return CommandRoute::kUnimplemented;
  }
}

bool IsOutputCommand(uint32_t id) {
  switch (id) {
    case IDC_COPY_CLIPBOARD:
    case IDC_PRINT:
    case IDC_CREATE_HTML:
    case IDC_CREATE_CUE:
    case IDC_CREATE_LBL:
    case IDC_SPLIT_LISTS:
    case IDC_COPY_TRACKS:
      return true;
    default:
      return false;
  }
}

uint32_t LastCommandAfter(uint32_t id, uint32_t current) {
  switch (id) {
    case IDC_CREATE_HTML:
    case IDC_SPLIT_LISTS:
    case IDC_PRINT:
    case IDC_COPY_CLIPBOARD:
      return id;
    default:
      return current;
  }
}

uint32_t LastCommandForDrop(bool inClientArea, uint32_t childId, uint32_t current) {
  uint32_t named = inClientArea ? childId : current;
  return IsOutputCommand(named) ? named : 0;
}

bool WaitsForLoad(uint32_t id) {
  if (IsOutputCommand(id)) return true;
  switch (id) {
    case IDC_OPEN:
    case IDC_REOPEN:
    case IDC_RESET:
    case IDC_EDIT:
    case IDC_WINAMP:
    case IDC_PLUGIN:
    case IDC_EXIT:
      return true;
    default:
      return false;
  }
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
  return RouteOfCommand(id) != CommandRoute::kUnimplemented || id == IDC_MAXIMUM_VOLUMES_SPIN ||
         id == IDC_PROGRESS || id == IDC_DROP_PROGRESS || id == IDC_BUILD_DATE ||
         id == IDC_BUILD_TIME;
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
