// The shape of a path, for both separators and every kind of path a
// playlist holds.
#include "support/path_shape.h"

#include <gtest/gtest.h>

namespace voltrak {
namespace {

TEST(PathShape, PartsOfEveryKindOfPath) {
  const struct {
    const char* path;
    const char* folder;
    const char* name;
    const char* extension;
    char separator;
  } cases[] = {
      {"C:\\Music\\Rock\\a.mp3", "C:\\Music\\Rock\\", "a.mp3", ".mp3", '\\'},
      {"../music/Ana/01 Song #1.mp3", "../music/Ana/", "01 Song #1.mp3", ".mp3", '/'},
      {"C:/Music\\mixed/a.b.mp3", "C:/Music\\mixed/", "a.b.mp3", ".mp3", '\\'},
      {"\\\\srv\\share\\a.mp3", "\\\\srv\\share\\", "a.mp3", ".mp3", '\\'},
      {"/home/me/My.Music/track", "/home/me/My.Music/", "track", "", '/'},
      {"song.mp3", "", "song.mp3", ".mp3", '\\'},
      {".\\001-a.mp3", ".\\", "001-a.mp3", ".mp3", '\\'},
      {"Music\\", "Music\\", "", "", '\\'},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
    EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
    EXPECT_EQ(ExtensionPart(c.path), c.extension) << c.path;
    EXPECT_EQ(SeparatorOf(c.path), c.separator) << c.path;
  }
}

TEST(PathShape, EntriesResolveAgainstThePlaylistWithEitherSeparator) {
  const struct {
    const char* entry;
    const char* playlist;
    const char* opened;
  } cases[] = {
      {"a.mp3", "C:\\Lists\\mix.m3u", "C:\\Lists\\a.mp3"},
      {"../music/a.mp3", "C:\\Lists\\mix.m3u", "C:\\Lists\\../music/a.mp3"},
      {"/home/me/a.mp3", "Z:\\tmp\\mix.m3u", "Z:/home/me/a.mp3"},
      {"\\Music\\a.mp3", "\\\\srv\\share\\l\\mix.m3u", "\\\\srv\\share\\Music\\a.mp3"},
      {"//srv/m/a.mp3", "C:\\Lists\\mix.m3u", "//srv/m/a.mp3"},
      {"D:a.mp3", "C:\\Lists\\mix.m3u", "D:a.mp3"},
      {"a.mp3", "mix.m3u", "a.mp3"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveOpenPath(c.entry, c.playlist), c.opened) << c.entry;
}

}  // namespace
}  // namespace voltrak
