// The printout: one line per track with its list number, volume, place in
// the volume, play length and name, laid out page by page on a surface the
// window makes of the printer. Only one page is ever in hand, so a list of
// any length prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "playlist/track_record.h"

namespace voltrak {

// What the printout needs of a printer; coordinates are its device units.
class PrintSurface {
 public:
  virtual ~PrintSurface() = default;
  virtual void StartPage() = 0;
  virtual void DrawLine(int x, int y, std::string_view text) = 0;
  virtual void EndPage() = 0;
};

// Every line starts this far from the left edge, and a page's first line
// this far from the top.
inline constexpr int kPrintMargin = 50;

// How many lines fit on a page. At least one: a printer whose font is
// taller than its page, or that reports no height at all, still gets every
// line, one to a page.
uint32_t LinesPerPage(int pageHeight, int lineHeight);

// The line of track `index`: "%3u %2u %3u %2u:%02u %s" with its number, its
// volume and its place in the volume (counted from 1), its play length and
// TitleOrPath. `place` carries the place along the list: pass 0 before the
// first track; it grows while the volume stays the same, so tracks merged
// into the last volume by the volume limit count on. With `withSize` the
// file size in KB ("%8u") follows the play length, for a listing that
// plans by size.
std::string PrintedLine(const Playlist& playlist, size_t index, uint32_t& place,
                        bool withSize = false);

// Prints every track in list order, starting a page whenever the last one is
// full. No tracks print one empty page.
void PrintList(const Playlist& playlist, int pageHeight, int lineHeight, PrintSurface& surface);

}  // namespace voltrak
