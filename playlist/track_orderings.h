// The eight orderings the program sorts entry references by, without ever
// changing the order of the playlist itself: duplicate handling, the report's
// listings, the grouped clipboard text and the tree view all use them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "playlist/track_record.h"

namespace voltrak {

enum class Ordering {
  kByTrackName,          // track name, path, then list position: a total order
  kByTitle,              // tag title, tag artist
  kByArtist,             // tag artist, tag title
  kByAlbum,              // tag album, tag title
  kByPath,               // path, track name
  kByPlayLength,         // play length
  kBySize,               // file size
  kByArtistAlbumTitle,   // tag artist, tag album, tag title
};

// Texts compared as C strings without regard to case (a-z only: the program
// sets no locale), up to the first NUL: the difference of the first unequal
// upper-cased bytes, as unsigned values. "AB" sorts before "ABC"; "_" after
// every letter.
int CompareText(std::string_view a, std::string_view b);

// Negative, zero or positive as `a` sorts before, with or after `b`. Numeric
// keys compare by their difference taken as a signed 32-bit number.
int CompareEntries(Ordering ordering, const EntryRef& a, const EntryRef& b);

// One reference per entry, in playlist order.
std::vector<EntryRef> EntryRefsOf(const Playlist& playlist);

// Sorts in place. Safe for any ordering: the 32-bit differences are not
// transitive for values 2^31 apart, and the sort must stay within the array
// even then. Entries with equal keys end in no promised order.
void SortEntries(std::vector<EntryRef>& entries, Ordering ordering);

}  // namespace voltrak
