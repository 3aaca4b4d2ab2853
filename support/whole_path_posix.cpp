// Whole paths on POSIX: the current folder is named as Wine names it, so a
// relative name resolves exactly as it would under Wine.
#include <unistd.h>

#include <vector>

#include "support/drive_map.h"
#include "support/whole_path.h"

namespace voltrak {
namespace {

// Drops "." and resolves ".." below the drive's root, as the system's
// full-path call does. `whole` starts with "X:\".
std::string Tidy(const std::string& whole) {
  std::string result = whole.substr(0, 2);
  std::vector<std::string_view> parts;
  std::string_view rest = std::string_view(whole).substr(2);
  size_t pos = 0;
  while (pos <= rest.size()) {
    size_t end = rest.find('\\', pos);
    if (end == std::string_view::npos) end = rest.size();
    std::string_view part = rest.substr(pos, end - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = end + 1;
  }
  for (std::string_view part : parts) {
    result += '\\';
    result += part;
  }
  if (result.size() == 2 || (!rest.empty() && rest.back() == '\\' && result.back() != '\\')) {
    result += '\\';
  }
  return result;
}

}  // namespace

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
  return Tidy(whole);
}

}  // namespace voltrak
