// The duplicate pass at the end of a load: finds entries listed more than
// once and keeps them all, asks about each pair, or keeps the first or the
// last of each group, as the duplicate mode says.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "playlist/track_record.h"

namespace voltrak {

// DuplicateMode: what a load does with entries listed twice; the row of
// the duplicates list.
enum DuplicateHandling : uint32_t {
  kKeepAllDuplicates = 0,
  kQueryDuplicates = 1,
  kKeepFirstDuplicates = 2,
  kKeepLastDuplicates = 3,
};

// The four answers to the question about one pair.
enum class DuplicateAnswer { kRemoveFirst, kRemoveSecond, kKeepBoth, kStopChecking };

// What the pass needs from the user interface.
class DuplicateHost {
 public:
  virtual ~DuplicateHost() = default;
  // Raises the main window and asks about a pair; `first` is the earlier of
  // the two in the sorted order.
  virtual DuplicateAnswer AskAboutDuplicate(const EntryRef& first, const EntryRef& second) = 0;
  // Developer-only trace lines; no effect on behaviour.
  virtual void Trace(std::string_view line) = 0;
};

// What one panel of the duplicate question shows of an entry.
struct DuplicatePanelTexts {
  std::string FileName;             // the path as stored
  std::string PlayLength;           // "%u:%02u", whole minutes not limited to 59
  std::string FileSize;             // kilobytes
  std::string Entry;                // the position counted from 1
  std::string ExtendedInformation;  // after the line's first comma, or all of it
  std::string Title, Artist, Album, Comment;
};
DuplicatePanelTexts DuplicatePanelTextsOf(const EntryRef& entry);

// The pending messages that a load and the pass leave for the rewrite question.
inline constexpr std::string_view kPathChanged = "Path changed.";
inline constexpr std::string_view kDuplicatesRemoved = "Duplicates removed.";
inline constexpr std::string_view kDuplicatesRemovedAndPathsChanged =
    "Duplicates removed and paths changed.";

// Removes duplicates from `playlist` as `mode` asks and returns the pending
// message: `pending` as it came, or the one that says duplicates went. Two
// entries are duplicates when their display names and their paths are the
// same byte for byte; an entry without a path is never one.
std::string RemoveDuplicates(DuplicateHandling mode, Playlist& playlist, std::string_view pending,
                             DuplicateHost& host);

}  // namespace voltrak
