// Playlist paths made whole where they enter the program. The load, the path
// repair and the outputs take the playlist's drive from its first two
// characters and its folder from its last backslash: a name such as
// "mix.m3u" or "\Lists\mix.m3u" would give them "mi" or "\L" instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace voltrak {

// A drive path with its root ("C:\...") or a network path ("\\server\...").
inline bool IsWholePath(std::string_view path) {
  bool letter = !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') ||
                                  (path[0] >= 'a' && path[0] <= 'z'));
  if (letter && path.size() >= 3 && path[1] == ':' && path[2] == '\\') return true;
  return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

// The name this system gives the file a Windows path names, when it has
// one of its own: on POSIX its POSIX path ("Z:\\a\\..\\b.mp3" is "/b.mp3"),
// for a path on a mapped drive. On Windows, and for any other path, none:
// the Windows path is the system's own name.
std::optional<std::string> NativePathOf(std::string_view windowsPath);

// `path` made whole against the current folder, as the system's full-path
// call does. A whole path and an empty one come back byte for byte; so does
// a path the system cannot make whole.
std::string WholePath(std::string_view path);

}  // namespace voltrak
