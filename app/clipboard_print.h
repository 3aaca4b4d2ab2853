// The window's side of the two outputs for people: the text handed to the
// clipboard and the printout on the printer the user picks. The core builds
// the text and lays out the pages.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

#include "outputs/clipboard_text.h"
#include "playlist/track_record.h"

namespace voltrak {

// Puts the whole list's text on the clipboard; when its memory cannot be
// had, says so over `window` and leaves the clipboard as it was.
void CopyListText(HWND window, ListTextShape shape, const Playlist& playlist,
                  std::string_view playlistPath);

// Puts `text` on the clipboard, as CopyListText does.
void CopyText(HWND window, std::string_view text);

// Asks for a printer and prints the list on it, in a document named
// `documentName`. `betweenPages` runs after each page is handed to the
// printer, so the window can answer while a long list prints.
void PrintPlaylist(HWND window, const Playlist& playlist, const char* documentName,
                   const std::function<void()>& betweenPages);

}  // namespace voltrak
