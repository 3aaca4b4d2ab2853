#include "playlist/tree_branches.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace voltrak {
namespace {

using testing::RecordOf;

// The tree as indented lines, two spaces a level; a leaf ends in "#" and its
// entry's position.
void AddLines(const EntryTree& tree, const std::vector<uint32_t>& nodes, size_t depth,
              std::vector<std::string>& lines) {
  for (uint32_t index : nodes) {
    const TreeNode& node = tree.Nodes[index];
    lines.push_back(std::string(2 * depth, ' ') + node.Text +
                    (node.Entry ? " #" + std::to_string(*node.Entry) : ""));
    AddLines(tree, node.Children, depth + 1, lines);
  }
}

std::vector<std::string> Lines(const EntryTree& tree) {
  std::vector<std::string> lines;
  AddLines(tree, tree.Roots, 0, lines);
  return lines;
}

MP3Information Track(const char* name, const char* title, const char* artist, const char* album,
                     uint32_t seconds, uint32_t kilobytes, uint32_t volume) {
  MP3Information record = RecordOf(std::string("C:\\m\\") + name, title, artist, album);
  record.PlayLength = seconds;
  record.FileSize = kilobytes;
  record.Volume = volume;
  record.Loaded = 1;
  return record;
}

TEST(TreeBranches, EveryBranchWithItsTextsAndOrders) {
  Playlist list;
  list.Tracks.push_back(Track("b.mp3", "Song B", "Abba", "Gold", 245, 4512, 0));
  list.Tracks.push_back(Track("a.mp3", "Song A", "Abba", "Gold", 4555, 100, 0));
  list.Tracks.push_back(Track("c.mp3", "Song C", "Abba", "Arrival", 60, 7, 1));
  list.Tracks.push_back(Track("d.mp3", "Solo", "abba", "X", 3, 1, 1));
  list.Tracks.push_back(Track("e.mp3", "", "", "", 0, 0, 2));
  list.Tracks[4].Loaded = 0;

  const std::vector<std::string> expected = {
      "Load Errors (1)", "  e.mp3 #4",
      "Sorted by volume",
      "    1 (80:00)", "     4:05; b.mp3 #0", "    75:55; a.mp3 #1",
      "    2 ( 1:03)", "     1:00; c.mp3 #2", "     0:03; d.mp3 #3",
      "    3 ( 0:00)", "     0:00; e.mp3 #4",
      // Untagged entries gather under nodes of counts alone; artists that
      // differ in case sort together but stand apart.
      "Sorted by tags",
      "   (1)", "     (1)", "       #4",
      "  Abba (3)", "    Arrival (1)", "      Song C #2",
      "    Gold (2)", "      Song A #1", "      Song B #0",
      "  abba (1)", "    X (1)", "      Solo #3",
      "Sorted by track name", "  a.mp3 #1", "  b.mp3 #0", "  c.mp3 #2", "  d.mp3 #3", "  e.mp3 #4",
      "Sorted by time",
      "  00:00; C:\\m\\e.mp3 #4", "  00:03; C:\\m\\d.mp3 #3", "  01:00; C:\\m\\c.mp3 #2",
      "  04:05; C:\\m\\b.mp3 #0", "  75:55; C:\\m\\a.mp3 #1",
      "Sorted by size",
      "      0k; C:\\m\\e.mp3 #4", "      1k; C:\\m\\d.mp3 #3", "      7k; C:\\m\\c.mp3 #2",
      "    100k; C:\\m\\a.mp3 #1", "   4512k; C:\\m\\b.mp3 #0",
      "Sorted by path",
      "  C:\\m\\a.mp3 #1", "  C:\\m\\b.mp3 #0", "  C:\\m\\c.mp3 #2",
      "  C:\\m\\d.mp3 #3", "  C:\\m\\e.mp3 #4",
  };
  EXPECT_EQ(Lines(TreeBranches(list)), expected);

  // With every file loaded the first root is the volumes'.
  list.Tracks[4].Loaded = 1;
  EXPECT_EQ(Lines(TreeBranches(list)).front(), "Sorted by volume");
}

TEST(TreeBranches, AnEmptyPlaylistHasTheSixRootsAlone) {
  EXPECT_EQ(Lines(TreeBranches(Playlist{})),
            (std::vector<std::string>{"Sorted by volume", "Sorted by tags", "Sorted by track name",
                                      "Sorted by time", "Sorted by size", "Sorted by path"}));
}

}  // namespace
}  // namespace voltrak
