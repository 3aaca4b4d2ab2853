// The question about one pair of duplicate entries.
#pragma once

#include <windows.h>

#include "playlist/duplicates.h"

namespace voltrak {

// Shows both entries side by side over `owner` and returns the answer. Only
// its four buttons end it: Escape and the rest are ignored.
DuplicateAnswer AskAboutDuplicate(HWND owner, const EntryRef& first, const EntryRef& second);

}  // namespace voltrak
