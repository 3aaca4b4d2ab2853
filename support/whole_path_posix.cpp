// Whole paths on POSIX: the current folder is named as Wine names it, so a
// relative name resolves exactly as it would under Wine.
#include <unistd.h>

#include "support/drive_map.h"
#include "support/path_shape.h"
#include "support/whole_path.h"

namespace voltrak {

std::string WholePath(std::string_view path) {
  if (path.empty() || IsWholePath(path) || path.find('\0') != std::string_view::npos) {
    return std::string(path);
  }
  std::string current(4096, '\0');
  if (getcwd(current.data(), current.size()) == nullptr) return std::string(path);
  current.resize(current.find('\0'));
  std::string folder = ToWindowsPath(current);  // "Z:\tmp\x", or "Z:\" for the root
  std::string whole;
  if (path[0] == '\\' || path[0] == '/') {
    whole = folder.substr(0, 2) + std::string(path);  // from the root of the current drive
  } else if (path.size() >= 2 && path[1] == ':') {
    // A drive without its root: the drive's own current folder is not kept
    // here, so its root stands in for it.
    whole = std::string(path.substr(0, 2)) + "\\" + std::string(path.substr(2));
  } else {
    whole = folder;
    if (whole.back() != '\\') whole += '\\';
    whole += path;
  }
  for (char& c : whole) {
    if (c == '/') c = '\\';
  }
  // "." and ".." resolved below the drive's root, as the full-path call does.
  return ResolveBelow(whole.substr(0, 3), std::string_view(whole).substr(3), "\\", '\\', true);
}

std::optional<std::string> NativePathOf(std::string_view windowsPath) {
  // A drive path with its root, in either separator.
  if (windowsPath.size() < 3 || windowsPath[1] != ':' || !IsSeparator(windowsPath[2]) ||
      windowsPath.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  return ToPosixPath(windowsPath);
}

}  // namespace voltrak
