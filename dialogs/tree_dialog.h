// The Tree view: the playlist as one tree of branches by load errors,
// volume, tags, track name, time, size and path.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "playlist/track_record.h"

namespace voltrak {

// Shows the tree over `owner` until its close box or OK. Selecting an
// entry's node calls `onEntry` with the entry's position; selecting a group
// node only says so. The control's own first selection is ignored, and so
// is Escape. The tree is built on opening and again after every load the
// main window announces, so no node outlives the list it stands for.
void ShowTreeView(HWND owner, const Playlist& playlist,
                  const std::function<void(uint32_t)>& onEntry);

}  // namespace voltrak
