// The Options dialog: the ten switches and the media player's folder.
#pragma once

#include <windows.h>

#include <string>

#include "playlist/option_flags.h"

namespace voltrak {

struct OptionsChoice {
  OptionFlags Options;
  std::string PlayerDirectory;
};

// Shows the dialog over `owner`, starting from `current`, and returns what
// to keep: the switches as OK leaves them (as they were after Cancel, the
// close box or Escape), and the player's folder as last picked with
// "WinAmp Directory", which stands even when the dialog is cancelled.
OptionsChoice ChooseOptions(HWND owner, const OptionsChoice& current);

}  // namespace voltrak
