// What voltrak-cli shows a person: texts from playlists and tags are any
// bytes, and a terminal acts on some of them (ESC sequences move the cursor,
// retitle the window, clear the screen). Every text it prints for reading
// goes through here, so that no byte of a file can do more than show.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace voltrak::cli {

// A text from a file for a terminal: valid UTF-8 as it stands, any other in
// its Latin-1 reading (as the JSON output reads it), and every control
// character escaped as "\x1b" (C0 and DEL) or "\u009b" (C1).
std::string TerminalText(std::string_view text);

// The controls of a line that is already UTF-8 or ASCII escaped as above;
// other bytes as they are. What every printed line passes last.
std::string EscapeControls(std::string_view line);

// A whole output for a terminal, line by line: each line as TerminalText
// reads it, its tabs and its CR LF end kept.
std::string TerminalLines(std::string_view text);

// One message line, escaped, and its line end; NUL bytes are shown, not
// taken for the end.
void PrintLine(std::FILE* stream, std::string_view line);

}  // namespace voltrak::cli
