#include "playlist/duplicates.h"

#include <cstdio>
#include <new>
#include <utility>
#include <vector>

#include "playlist/track_orderings.h"

namespace voltrak {
namespace {

bool AreDuplicates(const MP3Information& a, const MP3Information& b) {
  // Compared exactly, although the sort ignored case: paths that differ in
  // case may name different files.
  return a.FilePath() && b.FilePath() && *a.FilePath() == *b.FilePath() && a.TrackName() == b.TrackName();
}

void TracePair(const MP3Information& a, const MP3Information& b, DuplicateHost& host) {
  auto quoted = [](std::string_view x, std::string_view y, std::string_view key) {
    std::string line = "Compared \"";
    line += x;
    line += "\" & \"";
    line += y;
    line += "\" (";
    line += key;
    line += ")";
    return line;
  };
  host.Trace(quoted(a.TrackName().value_or(""), b.TrackName().value_or(""), "TrackName"));
  host.Trace(quoted(*a.FilePath(), *b.FilePath(), "FilePath"));
  host.Trace("\r\n");
}

// Keeps the unmarked records in list order and recomputes the totals.
// False, with the list untouched, when there is no memory for the new array.
bool DropMarked(Playlist& playlist, const std::vector<char>& marked) {
  std::vector<MP3Information> kept;
  try {
    size_t count = 0;
    for (char mark : marked) count += mark ? 0 : 1;
    kept.reserve(count);
  } catch (const std::bad_alloc&) {
    return false;
  }
  uint32_t seconds = 0, kilobytes = 0;
  for (size_t i = 0; i < playlist.Tracks.size(); ++i) {
    if (marked[i]) continue;
    seconds += playlist.Tracks[i].PlayLength;
    kilobytes += playlist.Tracks[i].FileSize;
    kept.push_back(std::move(playlist.Tracks[i]));
  }
  playlist.Tracks = std::move(kept);
  playlist.TotalSeconds = seconds;
  playlist.TotalKB = kilobytes;
  return true;
}

}  // namespace

DuplicatePanelTexts DuplicatePanelTextsOf(const EntryRef& entry) {
  const MP3Information& record = *entry.Record;
  DuplicatePanelTexts texts;
  texts.FileName = std::string(PathText(record));
  char number[32];
  std::snprintf(number, sizeof number, "%u:%02u", record.PlayLength / 60, record.PlayLength % 60);
  texts.PlayLength = number;
  texts.FileSize = std::to_string(record.FileSize);
  texts.Entry = std::to_string(uint64_t{entry.Index} + 1);
  if (record.ExtendedInfo()) {
    std::string_view info = *record.ExtendedInfo();
    size_t comma = info.find(',');
    texts.ExtendedInformation = std::string(comma == std::string_view::npos ? info : info.substr(comma + 1));
  }
  texts.Title = std::string(record.TagTitle());
  texts.Artist = std::string(record.TagArtist());
  texts.Album = std::string(record.TagAlbum());
  texts.Comment = std::string(record.TagComment());
  return texts;
}

std::string RemoveDuplicates(DuplicateHandling mode, Playlist& playlist, std::string_view pending,
                             DuplicateHost& host) {
  const size_t n = playlist.Tracks.size();
  if (mode == kKeepAllDuplicates || mode > kKeepLastDuplicates || n < 2) {
    return std::string(pending);
  }
  std::vector<EntryRef> sorted = EntryRefsOf(playlist);
  SortEntries(sorted, Ordering::kByTrackName);
  // Marks are kept apart from the records, so that an entry that never had
  // a display name is not taken for one marked for removal.
  std::vector<char> marked(n, 0);
  bool any = false;
  auto mark = [&](const EntryRef& entry) {
    marked[entry.Index] = 1;
    any = true;
  };

  if (mode == kQueryDuplicates) {
    for (size_t j = n - 1; j-- > 0;) {
      const EntryRef& first = sorted[j];
      const EntryRef& second = sorted[j + 1];
      if (marked[first.Index] || marked[second.Index]) continue;
      if (!AreDuplicates(*first.Record, *second.Record)) continue;
      DuplicateAnswer answer = host.AskAboutDuplicate(first, second);
      if (answer == DuplicateAnswer::kStopChecking) return std::string(pending);
      if (answer == DuplicateAnswer::kRemoveFirst) mark(first);
      if (answer == DuplicateAnswer::kRemoveSecond) mark(second);
    }
  } else if (mode == kKeepFirstDuplicates) {
    for (size_t j = n - 1; j-- > 0;) {
      if (!AreDuplicates(*sorted[j].Record, *sorted[j + 1].Record)) continue;
      mark(sorted[j + 1]);
      TracePair(*sorted[j].Record, *sorted[j + 1].Record, host);
    }
  } else {
    for (size_t j = 0; j + 1 < n; ++j) {
      if (!AreDuplicates(*sorted[j].Record, *sorted[j + 1].Record)) continue;
      mark(sorted[j]);
      TracePair(*sorted[j].Record, *sorted[j + 1].Record, host);
    }
  }
  sorted = {};  // the references die with the old array
  if (!any || !DropMarked(playlist, marked)) return std::string(pending);
  return std::string(pending == kPathChanged ? kDuplicatesRemovedAndPathsChanged
                                             : kDuplicatesRemoved);
}

}  // namespace voltrak
