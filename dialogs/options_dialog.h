// The Options dialog: the ten switches, the media player's folder, and
// what a load reads of the track files.
#pragma once

#include <windows.h>

#include <string>

#include "playlist/option_flags.h"

namespace voltrak {

struct OptionsChoice {
  OptionFlags Options;
  std::string PlayerDirectory;
  bool MeasureUntimed = true;  // "Track files": what a load reads besides
  bool ReadId3v2 = true;
};

// Shows the dialog over `owner`, starting from `current`, and returns what
// to keep: the switches as OK leaves them (as they were after Cancel, the
// close box or Escape), and the player's folder as last picked with
// "WinAmp Directory", which stands even when the dialog is cancelled.
OptionsChoice ChooseOptions(HWND owner, const OptionsChoice& current);

}  // namespace voltrak
