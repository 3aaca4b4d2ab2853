#include "app/help.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "app/shell_rules.h"

namespace voltrak {
namespace {

std::string ProgramFolder() {
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  size_t cut = folder.rfind('\\');
  return cut == std::string::npos ? std::string() : folder.substr(0, cut);
}

// The desktop's program for web pages, handed the page's address with its
// topic. The shell itself would take a file address apart and look for a
// file named "voltrak-help.html#1032"; without a program for web pages the
// page is opened at its top.
void OpenHelpPage(HWND window, const std::string& address) {
  char command[2048];
  DWORD size = sizeof command;
  if (AssocQueryStringA(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, ".html", "open", command, &size) ==
      S_OK) {
    ProgramCall call = ExpandAssociationCommand(command, address);
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(window, "open", call.Program.c_str(),
                                                call.Parameters.c_str(), nullptr,
                                                SW_SHOWNORMAL)) > 32) {
      return;
    }
  }
  std::string page = ProgramFolder() + "\\" + kHelpPageName;
  ShellExecuteA(window, "open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

void AnswerHelpRequest(HWND window, const HELPINFO& request) {
  if (request.iContextType == HELPINFO_WINDOW) {
    // The id arrives as a signed int: the labels' -1 must not become a topic.
    auto id = static_cast<uint32_t>(static_cast<uint16_t>(request.iCtrlId));
    OpenHelpPage(window, HelpPageAddress(ProgramFolder(), id));
    return;
  }
  MessageBoxA(window, "Help requested, go screw yourself!",
              "Help; what makes you think you deserve that??",
              MB_OK | MB_ICONQUESTION | MB_TOPMOST | MB_SETFOREGROUND);
}

}  // namespace voltrak
