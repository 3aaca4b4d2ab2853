#include "outputs/clipboard_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "outputs/output_file.h"
#include "planning/volume_planner.h"
#include "playlist/track_orderings.h"

#include "support/text_forms.h"

namespace voltrak {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// A text of the list up to its first NUL, which ends every text of the
// program: in the block it would end the clipboard's text, and every track
// after it would be lost.
std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// The first pass: only counts.
struct Measure {
  size_t Size = 0;
  void operator()(std::string_view text) { Size += UpToNul(text).size(); }
};

// The second pass: copies into the block, and never past its end.
struct Fill {
  char* At;
  char* End;
  void operator()(std::string_view text) {
    text = UpToNul(text);
    size_t count = std::min(text.size(), static_cast<size_t>(End - At));
    std::memcpy(At, text.data(), count);
    At += count;
  }
};

// Numbers only: every format here is short.
template <typename Out, typename... Numbers>
void PutNumbers(Out& out, const char* format, Numbers... numbers) {
  char text[64];
  int length = std::snprintf(text, sizeof text, format, numbers...);
  out(std::string_view(text, std::min(static_cast<size_t>(std::max(length, 0)), sizeof text - 1)));
}

template <typename Out>
void Numbered(Out& out, const Playlist& playlist, std::string_view playlistPath) {
  // A name without an extension is shown whole.
  out(OneLine(BaseNameOf(playlistPath)));  // a name never adds lines of its own
  out(kLineEnd);
  const uint32_t count = playlist.TrackCount();
  PutNumbers(out, "Total tracks: %u\r\n", count);
  out("Total time: ");
  out(HoursMinutesSeconds(playlist.TotalSeconds, true));
  out(kLineEnd);
  const uint32_t average = playlist.TotalSeconds / count;
  PutNumbers(out, "Average time: %02u:%02u\r\n", average / 60, average % 60);
  for (uint32_t i = 0; i < count; ++i) {
    const MP3Information& record = playlist.Tracks[i];
    PutNumbers(out, "%3u ", i + 1);
    out(TitleOrPath(record));
    if (record.PlayLength != 0) {
      PutNumbers(out, "\t%u:%02u", record.PlayLength / 60, record.PlayLength % 60);
    }
    out(kLineEnd);
  }
  out(kLineEnd);
  out(kLineEnd);
}

template <typename Out>
void Grouped(Out& out, const std::vector<EntryRef>& sorted) {
  // A path without a separator has no folder: its names stand in a group
  // without a folder line.
  std::optional<std::string_view> previous;
  bool first = true;
  for (const EntryRef& entry : sorted) {
    std::string_view path = PathText(*entry.Record);
    size_t cut = LastSeparator(path);
    std::optional<std::string_view> folder;
    if (cut != std::string_view::npos) folder = path.substr(0, cut);
    // Exact bytes: folders that differ only in case are two groups.
    if (first || folder != previous) {
      if (!first) out("\f");
      if (folder) {
        out(*folder);
        out(kLineEnd);
      }
      previous = folder;
      first = false;
    }
    out(cut == std::string_view::npos ? path : path.substr(cut + 1));
    out(kLineEnd);
  }
}

// A block in a string, for voltrak-cli and the tests.
class StringBlock : public TextBlockHost {
 public:
  char* Allocate(size_t size) override {
    try {
      text.resize(size);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    return text.data();
  }
  std::string text;
};

}  // namespace

std::string_view TitleOrPath(const MP3Information& record) {
  if (std::optional<std::string_view> info = record.ExtendedInfo()) {
    size_t comma = info->find(',');
    if (comma != std::string_view::npos) return info->substr(comma + 1);
  }
  return PathText(record);
}

std::string LyricsAddress(const MP3Information& record) {
  // A record's tag is kept normalised.
  std::string address = kLyricsSite;
  for (std::string_view part : {std::string_view("/lyrics/"), record.TagArtist(),
                                std::string_view("/"), record.TagAlbum(),
                                std::string_view("/"), record.TagTitle()}) {
    address += part;
  }
  for (char& c : address) c = c == ' ' ? '_' : LowerAscii(c);
  return address;
}

std::optional<std::string> SingleTrackText(const Playlist& playlist, uint32_t position,
                                           bool nameByInfo) {
  if (position >= playlist.TrackCount()) return std::nullopt;
  const MP3Information& record = playlist.Tracks[position];
  std::string text(UpToNul(nameByInfo ? TitleOrPath(record) : PathText(record)));
  std::string address = LyricsAddress(record);
  if (!address.empty()) {
    text += kLineEnd;
    text += address;
  }
  return text;
}

ListTextResult WriteListText(ListTextShape shape, const Playlist& playlist,
                             std::string_view playlistPath, TextBlockHost& host) {
  if (playlist.Tracks.empty()) return ListTextResult::kNoList;
  std::vector<EntryRef> sorted;
  if (shape == ListTextShape::kGroupedByFolder) {
    try {
      sorted = EntryRefsOf(playlist);
    } catch (const std::bad_alloc&) {
      return ListTextResult::kNoWorkArray;
    }
    SortEntries(sorted, Ordering::kByPath);
  }
  // Both passes run the same code, so the second writes exactly what the
  // first counted.
  auto write = [&](auto& out) {
    if (shape == ListTextShape::kGroupedByFolder) {
      Grouped(out, sorted);
    } else {
      Numbered(out, playlist, playlistPath);
    }
  };
  Measure measure;
  write(measure);
  char* block = host.Allocate(measure.Size + 1);
  if (block == nullptr) return ListTextResult::kNoBlock;
  Fill fill{block, block + measure.Size};
  write(fill);
  *fill.At = '\0';
  return ListTextResult::kWritten;
}

std::string ListText(ListTextShape shape, const Playlist& playlist, std::string_view playlistPath) {
  StringBlock block;
  if (WriteListText(shape, playlist, playlistPath, block) != ListTextResult::kWritten) return {};
  block.text.pop_back();  // the NUL
  return std::move(block.text);
}

}  // namespace voltrak
