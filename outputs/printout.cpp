#include "outputs/printout.h"

#include <algorithm>
#include <cstdio>

#include "outputs/clipboard_text.h"

namespace voltrak {

uint32_t LinesPerPage(int pageHeight, int lineHeight) {
  if (pageHeight <= 0 || lineHeight <= 0) return 1;
  return std::max(1u, static_cast<uint32_t>(pageHeight / lineHeight));
}

std::string PrintedLine(const Playlist& playlist, size_t index, uint32_t& place,
                        bool withSize) {
  const MP3Information& track = playlist.Tracks[index];
  place = index > 0 && playlist.Tracks[index - 1].Volume == track.Volume ? place + 1 : 1;
  char numbers[80];
  int length = std::snprintf(numbers, sizeof numbers, "%3u %2u %3u %2u:%02u ",
                             static_cast<unsigned>(index + 1), track.Volume + 1u, place,
                             track.PlayLength / 60, track.PlayLength % 60);
  if (withSize) {
    std::snprintf(numbers + length, sizeof numbers - static_cast<size_t>(length), "%8u ",
                  track.FileSize);
  }
  std::string line = numbers;
  line += TitleOrPath(track);
  return line;
}

void PrintList(const Playlist& playlist, int pageHeight, int lineHeight, PrintSurface& surface) {
  const uint32_t lines = LinesPerPage(pageHeight, lineHeight);
  const int height = std::max(lineHeight, 0);
  surface.StartPage();
  bool pageOpen = true;
  uint32_t place = 0;
  const size_t count = playlist.Tracks.size();
  for (size_t i = 0; i < count; ++i) {
    if (!pageOpen) {
      surface.StartPage();
      pageOpen = true;
    }
    const uint32_t row = static_cast<uint32_t>(i % lines);
    surface.DrawLine(kPrintMargin, kPrintMargin + static_cast<int>(row) * height,
                     PrintedLine(playlist, i, place));
    if ((i + 1) % lines == 0) {
      surface.EndPage();
      pageOpen = false;
    }
  }
  if (pageOpen) surface.EndPage();
}

}  // namespace voltrak
