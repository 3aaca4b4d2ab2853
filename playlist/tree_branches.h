// The Tree view's nodes: the entries that failed to load, the entries by
// volume, by artist and album, and sorted by track name, play length, size
// and path. Built in one pass from the planned list; the dialog only copies
// them into its tree control.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "playlist/track_record.h"

namespace voltrak {

struct TreeNode {
  std::string Text;
  std::optional<uint32_t> Entry;   // a leaf's playlist position; group nodes have none
  std::vector<uint32_t> Children;  // the child nodes' indexes in Nodes, in order
};

struct EntryTree {
  std::vector<TreeNode> Nodes;
  std::vector<uint32_t> Roots;  // the branches' nodes, in order
};

// The "Load Errors" branch is there only when some entry did not load; the
// six "Sorted by" branches always are. Running out of memory gives an empty
// tree.
EntryTree TreeBranches(const Playlist& playlist);

}  // namespace voltrak
