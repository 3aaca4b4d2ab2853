// The list as plain text for people: the numbered list with its totals, the
// file names grouped by folder for a handheld, and the one track the player
// is on with the address of its lyrics. The window puts the text on the
// clipboard; voltrak-cli prints it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "playlist/track_record.h"

namespace voltrak {

// The site the lyrics addresses point at; only the path after it is fixed.
inline constexpr const char* kLyricsSite = "https://lyrics.voltrak.example.org";

// The window's words when the clipboard's memory cannot be had.
inline constexpr const char* kNoClipboardMemoryText = "Could not allocate space for clipboard!!";
inline constexpr const char* kNoClipboardMemoryCaption = "Error!";

// The name people know a track by: the title after the first comma of its
// extended information, or else its whole path (empty when it has neither).
std::string_view TitleOrPath(const MP3Information& record);

// The lyrics address of the track's tag: the site, then
// "/lyrics/ARTIST/ALBUM/TITLE", blanks as "_" and A-Z in lower case.
std::string LyricsAddress(const MP3Information& record);

// The single-track text of entry `position`: its name (TitleOrPath with
// `nameByInfo`, else its path), CR LF and its lyrics address. None when the
// list holds no such entry: the player may be on one the list lost since.
std::optional<std::string> SingleTrackText(const Playlist& playlist, uint32_t position,
                                           bool nameByInfo);

// Where the text goes: one block, sized by a first pass that only measures.
class TextBlockHost {
 public:
  virtual ~TextBlockHost() = default;
  // `size` bytes for the text and its closing NUL, or nullptr when there is
  // no memory for them.
  virtual char* Allocate(size_t size) = 0;
};

enum class ListTextShape {
  kNumbered,         // the playlist's name, the totals, one numbered line per track
  kGroupedByFolder,  // folder lines and file names, sorted by path, a form feed between folders
};

enum class ListTextResult {
  kWritten,
  kNoList,       // nothing is loaded: nothing happens
  kNoWorkArray,  // no memory to sort the grouped shape: nothing happens, nothing is said
  kNoBlock,      // the host had no block: the window says so
};

// Writes the text of the whole list into one block from `host`, ending in a
// NUL. The block is exactly as long as the text needs, so that nothing of a
// long name is ever cut, and the writing pass can never run past it.
ListTextResult WriteListText(ListTextShape shape, const Playlist& playlist,
                             std::string_view playlistPath, TextBlockHost& host);

// The same text as a string, without the NUL; empty when nothing is loaded.
std::string ListText(ListTextShape shape, const Playlist& playlist, std::string_view playlistPath);

}  // namespace voltrak
