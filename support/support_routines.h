// Window-system routines the whole program shares: raising a window, a
// message box over its raised owner, the text of a system error code, the
// folder picker, and the two diagnostic channels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace voltrak {

// Top of the Z order without moving or sizing, foreground, keyboard focus.
void BringWindowToFront(HWND window);

// Raises the owner first, so the box is never hidden behind other programs.
int MessageBoxOnTop(HWND owner, const char* text, const char* caption, UINT style);

// Shows the system's text for `code` under "Error %u lookup from line %u of
// %s.", naming the caller's own source line and file; also to the debugger.
void ReportSystemError(HWND owner, uint32_t code, const char* sourceFile, unsigned line);

// The shell's folder picker. `folder` holds the initial folder, remembered
// for the rest of the run when it is not empty, and receives the choice.
// True when a file-system folder was chosen, else false with `folder`
// unchanged.
bool BrowseForFolder(HWND owner, const char* title, std::string& folder);

// Hands out the thread's pending input, posted and sent messages, so that
// the window stays responsive during long work; what they ask for is for the
// caller's gate to hold back. A quit request is posted again for the
// message loop, and ends the handing out.
void DispatchPendingMessages(HWND dialog);

// Developer-only trace lines on standard output; nothing reads them.
void TraceLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A position mark, "%u@%s\n": source line, at sign, source file.
void TraceMark(unsigned line, const char* sourceFile);
// A string for the system debugger.
void DebugText(const char* text);

}  // namespace voltrak
