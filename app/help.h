// The help layer: our own HTML page beside the program, opened by the
// desktop's default viewer at the topic of a control.
#pragma once

#include <windows.h>

#include <cstdint>

namespace voltrak {

// A help request, as the window receives it in WM_HELP.
void AnswerHelpRequest(HWND window, const HELPINFO& request);

}  // namespace voltrak
