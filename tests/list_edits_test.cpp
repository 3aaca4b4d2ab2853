#include "playlist/list_edits.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace voltrak {
namespace {

using testing::RecordOf;

// Entries named by their first positions: "0", "1", ...
Playlist Numbered(uint32_t count) {
  Playlist list;
  for (uint32_t i = 0; i < count; ++i) list.Tracks.push_back(RecordOf(std::to_string(i)));
  return list;
}

std::string Order(const Playlist& list) {
  std::string order;
  for (const MP3Information& record : list.Tracks) {
    order += (order.empty() ? "" : ",") + std::string(record.TrackName().value_or("?"));
  }
  return order;
}

TEST(ListEdits, MovesKeepGapsAndNothingMovesPastAnEnd) {
  const struct {
    ListEdit edit;
    uint32_t count;
    RowSelection selected;
    const char* order;
    RowSelection after;
  } cases[] = {
      {ListEdit::kUp, 6, {2, 4}, "0,2,1,4,3,5", {1, 3}},
      {ListEdit::kUp, 5, {2, 3}, "0,2,3,1,4", {1, 2}},
      {ListEdit::kUp, 6, {0, 3}, "0,1,2,3,4,5", {0, 3}},  // row 0 holds back the others too
      {ListEdit::kDown, 6, {1, 3}, "0,2,1,4,3,5", {2, 4}},
      {ListEdit::kDown, 4, {1, 3}, "0,1,2,3", {1, 3}},
      {ListEdit::kTop, 6, {3, 5}, "3,5,0,1,2,4", {0, 1}},
      {ListEdit::kBottom, 5, {0, 2}, "1,3,4,0,2", {3, 4}},
      {ListEdit::kRemove, 5, {1, 3}, "0,2,4", {}},
      {ListEdit::kRemove, 3, {0, 1, 2}, "", {}},
      {ListEdit::kRemove, 3, {}, "0,1,2", {}},
      {ListEdit::kTop, 3, {}, "0,1,2", {}},
      // Rows past the list or out of order never reach the array.
      {ListEdit::kUp, 3, {7, 1}, "1,0,2", {0}},
      {ListEdit::kRemove, 3, {2, 9}, "0,1", {}},
  };
  for (const auto& c : cases) {
    Playlist list = Numbered(c.count);
    list.TotalSeconds = 77;
    RowSelection after = ApplyListEdit(c.edit, list, c.selected);
    EXPECT_EQ(Order(list), c.order) << static_cast<int>(c.edit) << " on " << c.count;
    EXPECT_EQ(after, c.after) << static_cast<int>(c.edit) << " on " << c.count;
    EXPECT_EQ(list.TotalSeconds, 77u) << "the load's totals stay";
  }
}

TEST(ListEdits, InvertFlipsEveryRow) {
  EXPECT_EQ(InvertedSelection({1, 3}, 5), (RowSelection{0, 2, 4}));
  EXPECT_EQ(InvertedSelection({0, 1}, 2), RowSelection{});
}

TEST(EditDetails, FocusedEntryAndSelection) {
  Playlist list;
  list.Tracks.push_back(RecordOf("C:\\m\\a.mp3", "Title", "Artist", "Album"));
  list.Tracks.push_back(RecordOf("C:\\m\\b.mp3"));
  list.Tracks.push_back(RecordOf("C:\\m\\c.mp3"));
  list.Tracks[0].PlayLength = 3600;
  list.Tracks[1].PlayLength = 125;
  list.Tracks[2].PlayLength = 86400;
  auto shown = [&](uint32_t focused, const RowSelection& selected) {
    EditDetails d = EditDetailsOf(list, focused, selected);
    return d.Track + "|" + d.FileName + "|" + d.Title + "|" + d.Artist + "|" + d.Album + "|" +
           d.Comment + "|" + d.Count + "|" + d.Time;
  };
  // 3,725 seconds read 1:02:05; 90,000 read 25:00:00, hours not cut at a day.
  EXPECT_EQ(shown(0, {0, 1}), "1 of 3|C:\\m\\a.mp3|Title|Artist|Album||2|1:02:05");
  EXPECT_EQ(shown(2, {0, 2}), "3 of 3|C:\\m\\c.mp3|||||2|25:00:00");
  // A row past the list names nothing and adds nothing; an empty list has none.
  EXPECT_EQ(shown(3, {1, 5}), "||||||1|0:02:05");
  // A length measured from the file reads as about that.
  list.Tracks[1].LengthFrom = LengthSource::kMeasured;
  EXPECT_EQ(shown(1, {0, 1}), "2 of 3|C:\\m\\b.mp3|||||2|~1:02:05");
  list.Tracks.clear();
  EXPECT_EQ(shown(0, {}), "||||||0|0:00:00");
}

}  // namespace
}  // namespace voltrak
