// The hand edits of the Edit dialog: moving selected entries up, down, to
// the top or the bottom, removing them, and what the dialog shows of the
// focused entry and of the selection. The dialog only mirrors these in its
// list, whose row i is always entry i.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "playlist/track_record.h"

namespace voltrak {

// Selected rows, ascending, each below the list's length.
using RowSelection = std::vector<uint32_t>;

enum class ListEdit { kUp, kDown, kTop, kBottom, kRemove };

// Applies one edit to the playlist and returns the rows selected after it.
// Up and Down swap each selected entry with its neighbour, keeping the gaps
// of the selection; nothing at all moves when the selection touches the end
// it would move past. Top and Bottom gather the selection, in its order, at
// that end, the others keeping theirs. Remove drops the selected entries
// (the load totals stay as the load left them) and leaves no selection.
// Records are moved, never copied; when memory for the new array cannot be
// had, the playlist stays as it was and so does the selection.
RowSelection ApplyListEdit(ListEdit edit, Playlist& playlist, const RowSelection& selected);

// Every row not selected, ascending.
RowSelection InvertedSelection(const RowSelection& selected, uint32_t rowCount);

// Counts the edits of one opening of the dialog. Every Up, Down, Top,
// Bottom and Remove counts, whether anything moved or not; selecting does
// not. OK writes the list back only when something was counted; Cancel
// forgets the count, as the reload from the file forgets the edits.
class EditChangeCount {
 public:
  void Count() { ++count_; }
  void Forget() { count_ = 0; }
  uint32_t Value() const { return count_; }
  bool RewriteOnOk() const { return count_ != 0; }

 private:
  uint32_t count_ = 0;
};

// The dialog's read-outs for the focused row and the selection.
struct EditDetails {
  std::string Track;     // "%u of %u": the focused row counted from 1, and the rows
  std::string FileName;  // the focused entry's path
  std::string Title, Artist, Album, Comment;  // its tag's texts, empty without a tag
  std::string Count;     // the selected rows
  std::string Time;      // their play length, "h:mm:ss" with hours not cut at a day,
                         // after a "~" when a length was measured from a file
};

// A focused row past the list (an empty list has none) leaves the entry's
// fields empty rather than reading a record that is not there.
EditDetails EditDetailsOf(const Playlist& playlist, uint32_t focused, const RowSelection& selected);

}  // namespace voltrak
