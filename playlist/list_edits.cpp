#include "playlist/list_edits.h"

#include <algorithm>
#include <new>
#include <utility>

#include "support/text_forms.h"

namespace voltrak {
namespace {

// Rows in range, ascending, each once: a row past the list is never touched.
RowSelection InRange(RowSelection rows, uint32_t rowCount) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  rows.erase(std::lower_bound(rows.begin(), rows.end(), rowCount), rows.end());
  return rows;
}

RowSelection MoveByOne(Playlist& playlist, RowSelection rows, bool up) {
  std::vector<MP3Information>& tracks = playlist.Tracks;
  if (rows.empty() || (up ? rows.front() == 0 : rows.back() + 1 == tracks.size())) return rows;
  // Ascending for Up and descending for Down: each swap meets an entry that
  // is not selected, or one that has just moved out of the way.
  if (up) {
    for (uint32_t& row : rows) {
      std::swap(tracks[row], tracks[row - 1]);
      --row;
    }
  } else {
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
      std::swap(tracks[*row], tracks[*row + 1]);
      ++*row;
    }
  }
  return rows;
}

// Where a new array puts the selected records.
enum class Place { kFirst, kLast, kNowhere };

// Builds the new array: the selected records in their order at one end, or
// dropped (they die with the old array). An empty selection changes nothing.
RowSelection Gather(Playlist& playlist, const RowSelection& rows, Place place) {
  if (rows.empty()) return rows;
  std::vector<MP3Information>& tracks = playlist.Tracks;
  std::vector<char> picked(tracks.size(), 0);
  for (uint32_t row : rows) picked[row] = 1;
  std::vector<MP3Information> gathered;
  // Reserved before the first move: past here nothing can fail half way.
  gathered.reserve(tracks.size());
  auto take = [&](char which) {
    for (size_t i = 0; i < tracks.size(); ++i) {
      if (picked[i] == which) gathered.push_back(std::move(tracks[i]));
    }
  };
  if (place == Place::kFirst) take(1);
  take(0);
  if (place == Place::kLast) take(1);
  tracks = std::move(gathered);
  RowSelection after;
  if (place == Place::kNowhere) return after;
  const uint32_t first =
      place == Place::kFirst ? 0 : playlist.TrackCount() - static_cast<uint32_t>(rows.size());
  for (uint32_t i = 0; i < rows.size(); ++i) after.push_back(first + i);
  return after;
}

}  // namespace

RowSelection ApplyListEdit(ListEdit edit, Playlist& playlist, const RowSelection& selection) {
  RowSelection selected;
  try {
    selected = InRange(selection, playlist.TrackCount());
    switch (edit) {
      case ListEdit::kUp: return MoveByOne(playlist, selected, true);
      case ListEdit::kDown: return MoveByOne(playlist, selected, false);
      case ListEdit::kTop: return Gather(playlist, selected, Place::kFirst);
      case ListEdit::kBottom: return Gather(playlist, selected, Place::kLast);
      case ListEdit::kRemove: return Gather(playlist, selected, Place::kNowhere);
    }
  } catch (const std::bad_alloc&) {
    // Only the working copies were being made: the list is whole.
  }
  return selection;
}

RowSelection InvertedSelection(const RowSelection& selected, uint32_t rowCount) {
  RowSelection inverted;
  size_t next = 0;
  for (uint32_t row = 0; row < rowCount; ++row) {
    if (next < selected.size() && selected[next] == row) {
      ++next;
    } else {
      inverted.push_back(row);
    }
  }
  return inverted;
}

EditDetails EditDetailsOf(const Playlist& playlist, uint32_t focused,
                          const RowSelection& selected) {
  EditDetails details;
  const uint32_t rows = playlist.TrackCount();
  if (focused < rows) {
    const MP3Information& record = playlist.Tracks[focused];
    details.Track = Decimal(focused + 1) + " of " + Decimal(rows);
    details.FileName = std::string(PathText(record));
    details.Title = std::string(record.TagTitle());
    details.Artist = std::string(record.TagArtist());
    details.Album = std::string(record.TagAlbum());
    details.Comment = std::string(record.TagComment());
  }
  uint32_t seconds = 0;  // wraps, as every sum of play lengths does
  uint32_t counted = 0;
  bool measured = false;
  for (uint32_t row : selected) {
    if (row >= rows) continue;
    seconds += playlist.Tracks[row].PlayLength;
    measured |= playlist.Tracks[row].LengthFrom == LengthSource::kMeasured;
    ++counted;
  }
  details.Count = Decimal(counted);
  // A length the list did not give, but the file's audio, reads as about.
  details.Time = (measured ? "~" : "") + HoursMinutesSeconds(seconds, false);
  return details;
}

}  // namespace voltrak
