#include "support/drive_map.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace voltrak {
namespace {

std::array<std::string, 26>& DriveTable() {
  static std::array<std::string, 26> table = [] {
    std::array<std::string, 26> t;
    t['Z' - 'A'] = "/";
    return t;
  }();
  return table;
}

int DriveIndex(char letter) {
  if (letter >= 'a' && letter <= 'z') return letter - 'a';
  if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  return -1;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string CurrentFolder() {
#ifdef _WIN32
  return "/";
#else
  std::string buffer(4096, '\0');
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return "/";
  buffer.resize(buffer.find('\0'));
  return buffer;
#endif
}

// Joins a drive's folder and the rest of a Windows path, turning every
// backslash into a slash. ".." stops at the drive's folder as Wine stops it,
// so that no path on a drive reaches a file outside the folder it stands for.
std::string Join(std::string_view folder, std::string_view rest) {
  std::string root(folder);
  if (root.empty() || root.back() != '/') root += '/';
  return ResolveBelow(root, rest, "\\/", '/', true);
}

}  // namespace

void MapDrive(char drive, std::string_view folder) {
  int index = DriveIndex(drive);
  if (index < 0) return;
  std::string value(folder);
  while (value.size() > 1 && value.back() == '/') value.pop_back();
  DriveTable()[static_cast<size_t>(index)] = value;
}

std::optional<std::string> ToPosixPath(std::string_view path) {
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return std::nullopt;
  if (path.size() >= 2 && path[1] == ':') {
    int index = DriveIndex(path[0]);
    if (index < 0) return std::nullopt;
    const std::string& folder = DriveTable()[static_cast<size_t>(index)];
    if (folder.empty()) return std::nullopt;
    return Join(folder, path.substr(2));
  }
  if (!path.empty() && IsSeparator(path[0])) {
    // From the root of the current folder's drive.
    std::string current = ToWindowsPath(CurrentFolder());
    int index = DriveIndex(current[0]);
    return Join(DriveTable()[static_cast<size_t>(index)], path);
  }
  std::string relative(path);
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return relative;
}

std::string ToWindowsPath(std::string_view posixPath) {
  std::string absolute;
  if (!posixPath.empty() && posixPath[0] == '/') {
    absolute = std::string(posixPath);
  } else {
    absolute = CurrentFolder();
    if (absolute.back() != '/') absolute += '/';
    absolute += posixPath;
  }
  // The drive whose folder holds the path most closely wins; Z: is the root.
  int bestDrive = -1;
  size_t bestLength = 0;
  const auto& table = DriveTable();
  for (int d = 0; d < 26; ++d) {
    const std::string& folder = table[static_cast<size_t>(d)];
    if (folder.empty()) continue;
    size_t length = folder == "/" ? 0 : folder.size();
    bool inside = folder == "/" ||
                  (absolute.compare(0, folder.size(), folder) == 0 &&
                   (absolute.size() == folder.size() || absolute[folder.size()] == '/'));
    if (inside && (bestDrive < 0 || length > bestLength)) {
      bestDrive = d;
      bestLength = length;
    }
  }
  std::string result;
  result += static_cast<char>('A' + (bestDrive < 0 ? 'Z' - 'A' : bestDrive));
  result += ':';
  std::string_view rest = std::string_view(absolute).substr(bestLength);
  if (rest.empty()) rest = "/";
  for (char c : rest) result += c == '/' ? '\\' : c;
  return result;
}

std::string ResolveBelow(std::string_view root, std::string_view rest,
                         std::string_view separators, char joiner, bool keepFinal) {
  std::string result(root);
  const size_t floor = result.size();
  size_t pos = 0;
  while (pos < rest.size()) {
    size_t end = std::min(rest.find_first_of(separators, pos), rest.size());
    std::string_view part = rest.substr(pos, end - pos);
    if (part == "..") {
      if (result.size() > floor) {
        result.pop_back();  // the joiner after the last part
        size_t cut = result.rfind(joiner);
        result.resize(cut == std::string::npos || cut + 1 < floor ? floor : cut + 1);
      }
    } else if (!part.empty() && part != ".") {
      result.append(part);
      result += joiner;
    }
    pos = end + 1;
  }
  bool endedWithSeparator = !rest.empty() && separators.find(rest.back()) != std::string_view::npos;
  if (result.size() > floor && !(keepFinal && endedWithSeparator)) result.pop_back();
  return result;
}

}  // namespace voltrak
