// The link to the running media player and its plug-in: find the player,
// ask it for its list and position, leave a signature in its folder when it
// is not there, and read the plug-in's master playlist. The main window
// keeps the state these leave and loads the list.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace voltrak {

// What asking the player gave.
struct PlayerContact {
  HWND Window = nullptr;  // the player's window; none when it is missing or silent
  bool Answered = false;  // it wrote its list and told its position
  uint32_t ListPosition = 0;
};

// Finds the player and asks it to write its list, then for its position.
// A player that is missing, or does not answer within a few seconds, is
// told to the user with the warning box and counts as not running.
PlayerContact AskPlayer(HWND owner);

// Replaces the signature file in the player's folder; a file that cannot be
// created is told over `owner`.
void WritePlayerSignature(HWND owner, std::string_view playerDirectory);

// The master playlist the plug-in names, or empty when it names none.
std::string PluginPlaylist(std::string_view playerDirectory);

// The "Error" box that explains how to configure the plug-in.
void ExplainPluginSetup(HWND owner);

}  // namespace voltrak
