// What the core asks of a message box: the styles and answers, with the
// values Windows gives them so that the window passes them straight through.
#pragma once

#include <cstdint>

namespace voltrak {

constexpr uint32_t
  kBoxOk = 0x0,
  kBoxOkCancel = 0x1,
  kBoxYesNo = 0x4,
  kBoxIconError = 0x10,
  kBoxIconQuestion = 0x20,
  kBoxIconWarning = 0x30,
  kBoxIconInformation = 0x40,
  kBoxSetForeground = 0x10000,
  kBoxTopmost = 0x40000;
// The caption of every box that names a file that could not be opened,
// created or written.
inline constexpr const char* kCannotOpenCaption = "Can not open selected file";

constexpr int kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7;

}  // namespace voltrak
