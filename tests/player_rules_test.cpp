#include "player/player_rules.h"

#include <gtest/gtest.h>

namespace voltrak {
namespace {

TEST(PlayerFolder, OneBackslashBeforeEachName) {
  const struct {
    const char* folder;
    const char* list;
    const char* signature;
    const char* pluginIni;
  } cases[] = {
      {"C:\\Winamp", "C:\\Winamp\\winamp.m3u", "C:\\Winamp\\VOLTRAK.SIG",
       "C:\\Winamp\\Plugins\\plugin.ini"},
      // The plug-in's name brings its own backslash and is joined untested.
      {"C:\\Winamp\\", "C:\\Winamp\\winamp.m3u", "C:\\Winamp\\VOLTRAK.SIG",
       "C:\\Winamp\\\\Plugins\\plugin.ini"},
      {"", "\\winamp.m3u", "\\VOLTRAK.SIG", "\\Plugins\\plugin.ini"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(InPlayerFolder(c.folder, kPlayerListName), c.list) << c.folder;
    EXPECT_EQ(InPlayerFolder(c.folder, kPlayerSignatureName), c.signature) << c.folder;
    EXPECT_EQ(PluginIniPath(c.folder), c.pluginIni) << c.folder;
  }
}

TEST(Watcher, OnlyAMovedTimeOfAFileWithContentReloads) {
  const struct {
    uint32_t lastSize;
    uint64_t newTime, remembered;
    bool pathEmpty, reload;
  } cases[] = {
      {100, 7, 5, false, true},   // rewritten
      {100, 5, 5, false, false},  // another file of the folder changed
      {0, 7, 5, false, false},    // saved empty, or never seen with content
      {100, 0, 5, false, true},   // deleted after it was seen: one failed reload
      {100, 0, 0, false, false},  // still gone
      {100, 7, 0, false, true},   // back again
      {100, 7, 5, true, false},   // after Reset: nothing to reload
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChangeAsksForReload(c.lastSize, c.newTime, c.remembered, c.pathEmpty), c.reload)
        << c.lastSize << " " << c.newTime << " " << c.remembered << " " << c.pathEmpty;
  }
}

}  // namespace
}  // namespace voltrak
