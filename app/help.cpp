#include "app/help.h"

#include <shellapi.h>

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

}  // namespace

void AnswerHelpRequest(HWND window, const HELPINFO& request) {
  if (request.iContextType == HELPINFO_WINDOW) {
    // The id arrives as a signed int: the labels' -1 must not become a topic.
    auto id = static_cast<uint32_t>(static_cast<uint16_t>(request.iCtrlId));
    std::string address = HelpPageAddress(ProgramFolder(), id);
    ShellExecuteA(window, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return;
  }
  MessageBoxA(window, "Help requested, go screw yourself!",
              "Help; what makes you think you deserve that??",
              MB_OK | MB_ICONQUESTION | MB_TOPMOST | MB_SETFOREGROUND);
}

}  // namespace voltrak
