// The shape of a path as playlists write it: either separator, a drive, a
// share, from the root, or relative. The one place that knows it, for the
// core, the window and voltrak-cli alike: Windows takes "/" as it takes "\",
// and lists made on other systems hold nothing else.
#pragma once

#include <string>
#include <string_view>

namespace voltrak {

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where the last separator is, or npos.
size_t LastSeparator(std::string_view path);

// After the last separator, or all of it when there is none.
std::string_view FileNamePart(std::string_view path);
// Up to and with the last separator, or nothing when there is none.
std::string_view FolderPart(std::string_view path);
// The file name's extension, from its last full stop on, or nothing when the
// file name has none (a full stop in a folder name does not count).
std::string_view ExtensionPart(std::string_view path);

// "C:" and what follows.
inline bool HasDrive(std::string_view path) { return path.size() >= 2 && path[1] == ':'; }
// Two leading separators: \\server\share\a.mp3. One leading letter folder
// (A\Abba\song.mp3) is no share.
inline bool IsNetworkPath(std::string_view path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}
// One leading separator: from the root of the playlist's drive.
inline bool IsFromRoot(std::string_view path) { return !path.empty() && IsSeparator(path[0]); }
// A path that names its file without the playlist: a drive or a share.
inline bool IsWholeWindowsPath(std::string_view path) {
  return HasDrive(path) || IsNetworkPath(path);
}

// The separator a path is written with: "/" when it has that and no
// backslash, else the backslash.
char SeparatorOf(std::string_view path);

// The root a path beginning with one separator hangs from: the playlist's
// drive (C:), or \\server\share when the playlist is on a share.
std::string_view RootOf(std::string_view playlistPath);

// Where a playlist's entries are taken from: its root and its folder.
struct ListPlace {
  explicit ListPlace(std::string_view playlistPath)
      : Root(RootOf(playlistPath)), Folder(FolderPart(playlistPath)) {}
  std::string_view Root;
  std::string_view Folder;
};

// The full path under which an entry's file is opened: a drive or share
// path as it stands; one from the root after the playlist's root; any
// other after the playlist's folder. No "." or ".." is taken out: the
// system does that when the file is opened.
std::string ResolveOpenPath(std::string_view filePath, std::string_view playlistPath);
// The same into *full, reusing its room: a load builds one for every entry.
void ResolveOpenPathInto(std::string_view filePath, const ListPlace& list, std::string* full);

}  // namespace voltrak
