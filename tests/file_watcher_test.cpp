// The watcher's thread on its own (Windows only): a playlist whose folder
// cannot be watched ends the watcher, never the program.
#ifdef _WIN32
#include "player/file_watcher.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/test_support.h"

namespace voltrak {
namespace {

TEST(FileWatcher, AFolderThatCannotBeWatchedEndsOnlyTheWatcher) {
  testing::ScratchFolder scratch;
  HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                              nullptr);
  ASSERT_NE(window, nullptr);
  // A path with no folder part, and one whose folder is gone.
  for (const std::string& path : {std::string("no-folder.m3u"), scratch / "gone\\mix.m3u"}) {
    StartFileWatcher(window, path);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (FileWatcherRunning() && GetTickCount64() < deadline) Sleep(10);
    EXPECT_FALSE(FileWatcherRunning()) << path;
    StopFileWatcher();
  }
  DestroyWindow(window);
}

}  // namespace
}  // namespace voltrak
#endif
