#include "playlist/tree_branches.h"

#include <cstdio>
#include <new>
#include <string_view>

#include "playlist/track_orderings.h"

namespace voltrak {
namespace {

// Numbers as a format with only %u conversions shows them.
template <typename... Numbers>
std::string Printed(const char* format, Numbers... numbers) {
  char text[48];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(numbers)...);
  return text;
}

std::string NameOf(const MP3Information& record) {
  return std::string(ShownName(record));
}

std::string PathOf(const MP3Information& record) { return std::string(PathText(record)); }

// "m:ss; " before a text, the minutes as the format pads them.
std::string Timed(const char* format, const MP3Information& record, std::string text) {
  return Printed(format, record.PlayLength / 60, record.PlayLength % 60) + text;
}

class TreeBuilder {
 public:
  explicit TreeBuilder(const Playlist& playlist) : playlist_(playlist) {}

  static constexpr uint32_t kRoot = UINT32_MAX;

  uint32_t Add(uint32_t parent, std::string text, std::optional<uint32_t> entry = std::nullopt) {
    const auto index = static_cast<uint32_t>(tree_.Nodes.size());
    tree_.Nodes.push_back(TreeNode{std::move(text), entry, {}});
    (parent == kRoot ? tree_.Roots : tree_.Nodes[parent].Children).push_back(index);
    return index;
  }

  void LoadErrors() {
    uint32_t failed = 0;
    for (const MP3Information& record : playlist_.Tracks) failed += record.Loaded == 0;
    if (failed == 0) return;
    const uint32_t root = Add(kRoot, Printed("Load Errors (%u)", failed));
    for (uint32_t i = 0; i < playlist_.TrackCount(); ++i) {
      if (playlist_.Tracks[i].Loaded == 0) Add(root, NameOf(playlist_.Tracks[i]), i);
    }
  }

  // A node per run of entries that share a volume, with the run's play
  // length in whole minutes (not cut at an hour) and seconds.
  void ByVolume() {
    const uint32_t root = Add(kRoot, "Sorted by volume");
    const std::vector<MP3Information>& tracks = playlist_.Tracks;
    for (uint32_t start = 0; start < tracks.size();) {
      const uint32_t node = Add(root, {});
      uint32_t seconds = 0;  // wraps, as every sum of play lengths does
      uint32_t end = start;
      for (; end < tracks.size() && tracks[end].Volume == tracks[start].Volume; ++end) {
        seconds += tracks[end].PlayLength;
        Add(node, Timed("%2u:%02u; ", tracks[end], NameOf(tracks[end])), end);
      }
      tree_.Nodes[node].Text =
          Printed("%3u (%2u:%02u)", tracks[start].Volume + 1, seconds / 60, seconds % 60);
      start = end;
    }
  }

  // Artist nodes, album nodes under them, title leaves under those. A group
  // is a run of equal texts compared exactly, so artists that differ only in
  // case sort together yet stand apart.
  void ByTags(std::vector<EntryRef>& entries) {
    const uint32_t root = Add(kRoot, "Sorted by tags");
    SortEntries(entries, Ordering::kByArtistAlbumTitle);
    ForEachRun(entries.begin(), entries.end(), &MP3Information::TagArtist, root,
               [&](auto first, auto last, uint32_t artist) {
                 ForEachRun(first, last, &MP3Information::TagAlbum, artist,
                            [&](auto from, auto to, uint32_t album) {
                              for (auto e = from; e != to; ++e) {
                                Add(album, std::string(e->Record->TagTitle()), e->Index);
                              }
                            });
               });
  }

  // A sorted branch of one leaf per entry.
  template <typename TextOf>
  void Sorted(std::vector<EntryRef>& entries, const char* title, Ordering ordering, TextOf text) {
    const uint32_t root = Add(kRoot, title);
    SortEntries(entries, ordering);
    for (const EntryRef& e : entries) Add(root, text(*e.Record), e.Index);
  }

  EntryTree Take() { return std::move(tree_); }

 private:
  // Calls `inner` for each run of equal `field` texts, under a node that
  // reads the text and the run's length.
  template <typename Iterator, typename Inner>
  void ForEachRun(Iterator first, Iterator last, std::string_view (MP3Information::*field)() const,
                  uint32_t parent, Inner inner) {
    while (first != last) {
      const std::string_view text = (first->Record->*field)();
      Iterator end = first;
      while (end != last && (end->Record->*field)() == text) ++end;
      const auto count = static_cast<unsigned>(end - first);
      inner(first, end, Add(parent, std::string(text) + Printed(" (%u)", count)));
      first = end;
    }
  }

  const Playlist& playlist_;
  EntryTree tree_;
};

}  // namespace

EntryTree TreeBranches(const Playlist& playlist) {
  try {
    TreeBuilder tree(playlist);
    tree.LoadErrors();
    tree.ByVolume();
    // Each sort starts from the order the one before left.
    std::vector<EntryRef> entries = EntryRefsOf(playlist);
    tree.ByTags(entries);
    tree.Sorted(entries, "Sorted by track name", Ordering::kByTrackName, NameOf);
    tree.Sorted(entries, "Sorted by time", Ordering::kByPlayLength,
                [](const MP3Information& r) { return Timed("%02u:%02u; ", r, PathOf(r)); });
    tree.Sorted(entries, "Sorted by size", Ordering::kBySize,
                [](const MP3Information& r) { return Printed("%5uk; ", r.FileSize) + PathOf(r); });
    tree.Sorted(entries, "Sorted by path", Ordering::kByPath, PathOf);
    return tree.Take();
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace voltrak
