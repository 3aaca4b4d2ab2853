#include "player/player_link.h"

#include <cstdio>
#include <memory>

#include "outputs/output_file.h"
#include "player/player_rules.h"
#include "resources/resource.h"
#include "support/file_system.h"
#include "support/replacement_file.h"
#include "support/support_routines.h"

namespace voltrak {
namespace {

// A player that takes longer than this is hung: Voltrak must not hang with
// it. Shorter than the system's own five seconds after which a window that
// reads no messages counts as hung itself.
constexpr UINT kPlayerPatienceMs = 3000;

// One request to the player; false when it did not answer in time.
bool Ask(HWND player, uint32_t request, DWORD_PTR* answer) {
  *answer = 0;
  if (SendMessageTimeoutA(player, WM_USER, 0, request, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                          kPlayerPatienceMs, answer)) {
    return true;
  }
  TraceLine("The player did not answer request %u\n", request);
  return false;
}

}  // namespace

PlayerContact AskPlayer(HWND owner) {
  PlayerContact contact;
  TraceMark(__LINE__, __FILE__);
  HWND player = FindWindowA(kPlayerWindowClass, nullptr);
  TraceMark(__LINE__, __FILE__);
  DWORD_PTR written = 0, position = 0;
  if (player && Ask(player, kRequestWriteList, &written) &&
      Ask(player, kRequestListPosition, &position)) {
    contact.Window = player;
    contact.Answered = true;
    contact.ListPosition = static_cast<uint32_t>(position);
    TraceLine("PlayerListPosition %u\n", contact.ListPosition);
  } else {
    MessageBoxA(owner, kNoPlayerText, "Warning!", MB_OK | MB_ICONEXCLAMATION);
  }
  TraceMark(__LINE__, __FILE__);
  std::fflush(stdout);
  return contact;
}

void WritePlayerSignature(HWND owner, std::string_view playerDirectory) {
  const std::string path = InPlayerFolder(playerDirectory, kPlayerSignatureName);
  ReplacementFile file(SystemFileSystem(), path);
  if (file.Error() != 0) {
    MessageBoxOnTop(owner, path.c_str(), kCannotOpenCaption, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  // Write errors of such files are not reported.
  file.Write(kPlayerSignature);
  file.Commit();
  TraceMark(__LINE__, __FILE__);
}

std::string PluginPlaylist(std::string_view playerDirectory) {
  // Whole, however long: the load refuses a name too long to open.
  std::string path(32767, '\0');
  DWORD length = GetPrivateProfileStringA(kPluginSection, kPluginKey, "", path.data(),
                                          static_cast<DWORD>(path.size() + 1),
                                          PluginIniPath(playerDirectory).c_str());
  path.resize(length);
  return path;
}

void ExplainPluginSetup(HWND owner) {
  char text[1024] = "";
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  if (LoadStringA(instance, IDS_PLAYER_LINK_HELP, text, sizeof text) <= 0) {
    std::snprintf(text, sizeof text, "%s", kPluginNotConfiguredText);
  }
  MessageBoxA(owner, text, "Error", MB_OK | MB_ICONERROR);
}

}  // namespace voltrak
