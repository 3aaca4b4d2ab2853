#include "playlist/track_orderings.h"

#include <algorithm>
#include <string>

#include "support/text_forms.h"

namespace voltrak {
namespace {

unsigned char Upper(unsigned char c) { return static_cast<unsigned char>(UpperAscii(static_cast<char>(c))); }

int CompareNumbers(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b); }


// Two text keys: the second is read only when the first ties.
int CompareTexts(std::string_view a1, std::string_view b1, std::string_view a2,
                 std::string_view b2) {
  int first = CompareText(a1, b1);
  return first != 0 ? first : CompareText(a2, b2);
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) {
  for (size_t i = 0;; ++i) {
    unsigned char x = i < a.size() ? Upper(static_cast<unsigned char>(a[i])) : 0;
    unsigned char y = i < b.size() ? Upper(static_cast<unsigned char>(b[i])) : 0;
    if (x != y || x == 0) return static_cast<int>(x) - static_cast<int>(y);
  }
}

int CompareEntries(Ordering ordering, const EntryRef& a, const EntryRef& b) {
  const MP3Information& x = *a.Record;
  const MP3Information& y = *b.Record;
  switch (ordering) {
    case Ordering::kByTrackName: {
      if (a.Index == b.Index) return 0;
      int order = CompareTexts(ShownName(x), ShownName(y), PathText(x), PathText(y));
      return order != 0 ? order : a.Index < b.Index ? -1 : 1;
    }
    case Ordering::kByTitle:
      return CompareTexts(x.TagTitle(), y.TagTitle(), x.TagArtist(), y.TagArtist());
    case Ordering::kByArtist:
      return CompareTexts(x.TagArtist(), y.TagArtist(), x.TagTitle(), y.TagTitle());
    case Ordering::kByAlbum:
      return CompareTexts(x.TagAlbum(), y.TagAlbum(), x.TagTitle(), y.TagTitle());
    case Ordering::kByPath:
      return CompareTexts(PathText(x), PathText(y), ShownName(x), ShownName(y));
    case Ordering::kByPlayLength:
      return CompareNumbers(x.PlayLength, y.PlayLength);
    case Ordering::kBySize:
      return CompareNumbers(x.FileSize, y.FileSize);
    case Ordering::kByArtistAlbumTitle: {
      int order = CompareText(x.TagArtist(), y.TagArtist());
      return order != 0 ? order : CompareTexts(x.TagAlbum(), y.TagAlbum(), x.TagTitle(), y.TagTitle());
    }
  }
  return 0;
}

std::vector<EntryRef> EntryRefsOf(const Playlist& playlist) {
  std::vector<EntryRef> entries;
  entries.reserve(playlist.Tracks.size());
  for (size_t i = 0; i < playlist.Tracks.size(); ++i) {
    entries.push_back(EntryRef{static_cast<uint32_t>(i), &playlist.Tracks[i]});
  }
  return entries;
}

namespace {

// A text key as CompareText reads it: up to the first NUL, a-z upper-cased.
// Compared as unsigned bytes, two keys order as CompareText orders their texts.
std::string KeyOf(std::string_view text) {
  std::string key(text.substr(0, text.find('\0')));
  for (char& c : key) c = static_cast<char>(Upper(static_cast<unsigned char>(c)));
  return key;
}

struct Keyed {
  std::string First, Second;
  EntryRef Entry;
};

// The two text keys of an ordering, or none for the numeric ones.
bool KeysOf(Ordering ordering, const MP3Information& r, std::string* first, std::string* second) {
  switch (ordering) {
    case Ordering::kByTrackName: *first = KeyOf(ShownName(r)), *second = KeyOf(PathText(r)); return true;
    case Ordering::kByTitle: *first = KeyOf(r.TagTitle()), *second = KeyOf(r.TagArtist()); return true;
    case Ordering::kByArtist: *first = KeyOf(r.TagArtist()), *second = KeyOf(r.TagTitle()); return true;
    case Ordering::kByAlbum: *first = KeyOf(r.TagAlbum()), *second = KeyOf(r.TagTitle()); return true;
    case Ordering::kByPath: *first = KeyOf(PathText(r)), *second = KeyOf(ShownName(r)); return true;
    default: return false;
  }
}

}  // namespace

void SortEntries(std::vector<EntryRef>& entries, Ordering ordering) {
  // A merge sort only ever compares inside the ranges it merges, so a
  // comparison that is not transitive misorders at worst; it never reads
  // past the array as a quicksort's unguarded scans may.
  std::vector<Keyed> keyed(entries.size());
  if (entries.empty() || !KeysOf(ordering, *entries[0].Record, &keyed[0].First, &keyed[0].Second)) {
    std::stable_sort(entries.begin(), entries.end(), [ordering](const EntryRef& a, const EntryRef& b) {
      return CompareEntries(ordering, a, b) < 0;
    });
    return;
  }
  // Text keys are made once per entry rather than once per comparison, some
  // 2 log2 n times: the same answers as CompareEntries, so the same order.
  std::vector<const Keyed*> order(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i != 0) KeysOf(ordering, *entries[i].Record, &keyed[i].First, &keyed[i].Second);
    keyed[i].Entry = entries[i];
    order[i] = &keyed[i];
  }
  const bool byIndex = ordering == Ordering::kByTrackName;
  std::stable_sort(order.begin(), order.end(), [byIndex](const Keyed* a, const Keyed* b) {
    int first = a->First.compare(b->First);
    if (first != 0) return first < 0;
    int second = a->Second.compare(b->Second);
    if (second != 0) return second < 0;
    return byIndex && a->Entry.Index < b->Entry.Index;
  });
  for (size_t i = 0; i < entries.size(); ++i) entries[i] = order[i]->Entry;
}

}  // namespace voltrak
