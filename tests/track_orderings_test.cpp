#include "playlist/track_orderings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tests/test_support.h"

namespace voltrak {
namespace {

using testing::RecordOf;

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(CompareText, CaseBlindPrefixFirstAndBytesUnsigned) {
  using namespace std::string_view_literals;
  const struct {
    std::string_view a, b;
    int sign;
  } cases[] = {
      {"abc", "ABC", 0},     {"AB", "ABC", -1},      {"ABC", "AB", 1}, {"_", "Z", 1},
      {"\xe9", "z", 1},      {"a\0x"sv, "a", 0},     {"", "", 0},      {"b", "a", 1},
      {"\xc9t", "\xe9T", -1},  // only a-z are folded: no locale is set
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Sign(CompareText(c.a, c.b)), c.sign) << c.a << " ~ " << c.b;
  }
}

TEST(Orderings, KeysInTurn) {
  Playlist list;
  list.Tracks.push_back(RecordOf("C:\\b\\Song.mp3", "Same", "Zed"));
  list.Tracks.push_back(RecordOf("C:\\a\\song.MP3", "Same", "Abba"));
  list.Tracks.push_back(RecordOf("C:\\a\\song.MP3"));  // untagged: empty fields sort first
  list.Tracks.push_back(RecordOf("C:\\c\\x.mp3", std::string(30, 't'), "Abba", "Gold"));
  list.Tracks.push_back(RecordOf("C:\\a\\song.MP3", "Same", "Abba"));
  list.Tracks[3].PlayLength = 10;
  list.Tracks[0].PlayLength = 3000000000u;  // 2^31 and more apart: wraps, as specified
  list.Tracks[3].FileSize = 2;
  list.Tracks[1].FileSize = 1;
  auto order = [&](Ordering ordering) {
    std::vector<EntryRef> entries = EntryRefsOf(list);
    SortEntries(entries, ordering);
    std::vector<uint32_t> positions;
    for (const EntryRef& e : entries) positions.push_back(e.Index);
    return positions;
  };
  // Same name and path: list order decides.
  EXPECT_EQ(order(Ordering::kByTrackName), (std::vector<uint32_t>{1, 2, 4, 0, 3}));
  std::vector<uint32_t> byTitle = order(Ordering::kByTitle);
  EXPECT_EQ(byTitle.front(), 2u);
  EXPECT_EQ(byTitle.back(), 3u);
  EXPECT_EQ(byTitle[3], 0u);  // "Same"/"Zed" after "Same"/"Abba"
  EXPECT_EQ(order(Ordering::kByArtist).back(), 0u);
  EXPECT_EQ(order(Ordering::kByAlbum).back(), 3u);
  EXPECT_EQ(order(Ordering::kByArtistAlbumTitle).back(), 0u);
  EXPECT_EQ(order(Ordering::kByPath).back(), 3u);
  EXPECT_EQ(order(Ordering::kBySize).back(), 3u);
  // 3,000,000,000 - 0 is negative as a signed 32-bit number.
  EXPECT_EQ(order(Ordering::kByPlayLength).front(), 0u);

  // A full 30-byte title equals the same 30 bytes however the block goes on.
  MP3Information longer = RecordOf("x", std::string(30, 't'), "Abba");
  EXPECT_EQ(CompareEntries(Ordering::kByTitle, {0, &longer}, {3, &list.Tracks[3]}), 0);
  EXPECT_EQ(CompareEntries(Ordering::kByTrackName, {1, &list.Tracks[1]}, {1, &list.Tracks[0]}), 0)
      << "the same position is equal at once";
}

TEST(Orderings, ByTrackNameIsAStrictTotalOrder) {
  std::mt19937 random(7);
  const char* names[] = {"a", "A", "ab", "_", "b\\a", "B\\A", ""};
  Playlist list;
  for (int i = 0; i < 60; ++i) list.Tracks.push_back(RecordOf(names[random() % 7]));
  std::vector<EntryRef> all = EntryRefsOf(list);
  for (const EntryRef& x : all) {
    for (const EntryRef& y : all) {
      int xy = Sign(CompareEntries(Ordering::kByTrackName, x, y));
      EXPECT_EQ(xy, -Sign(CompareEntries(Ordering::kByTrackName, y, x)));
      EXPECT_EQ(xy == 0, x.Index == y.Index);
      for (const EntryRef& z : all) {
        if (xy < 0 && CompareEntries(Ordering::kByTrackName, y, z) < 0) {
          ASSERT_LT(CompareEntries(Ordering::kByTrackName, x, z), 0);
        }
      }
    }
  }
}

// Keys made once per sort must order exactly as the comparison does, ties
// and all, so that a listing sorted after another keeps its tied entries
// in the order the first one left.
TEST(SortEntries, SameOrderAsTheComparisonItself) {
  std::mt19937 random(11);
  const std::string_view pieces[] = {"a", "A", "b", std::string_view("\0z", 2), "\xe9", "_", ""};
  auto text = [&] {
    std::string t;
    for (int n = random() % 4; n > 0; --n) t += pieces[random() % std::size(pieces)];
    return t;
  };
  Playlist list;
  for (int i = 0; i < 300; ++i) list.Tracks.push_back(RecordOf(text() + "\\" + text(), text(), text(), text()));
  for (Ordering ordering : {Ordering::kByTrackName, Ordering::kByTitle, Ordering::kByArtist,
                            Ordering::kByAlbum, Ordering::kByPath}) {
    std::vector<EntryRef> sorted = EntryRefsOf(list), expected = sorted;
    std::reverse(sorted.begin(), sorted.end());
    std::reverse(expected.begin(), expected.end());
    SortEntries(sorted, ordering);
    std::stable_sort(expected.begin(), expected.end(), [&](const EntryRef& a, const EntryRef& b) {
      return CompareEntries(ordering, a, b) < 0;
    });
    for (size_t i = 0; i < sorted.size(); ++i) {
      ASSERT_EQ(sorted[i].Index, expected[i].Index) << static_cast<int>(ordering) << " at " << i;
    }
  }
}

}  // namespace
}  // namespace voltrak
