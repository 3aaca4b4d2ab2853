#include "support/drive_map.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "support/byte_search.h"

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

// Copies `rest` to `out` with every separator made `joiner`, when it is the
// path most are: no part starts with a full stop, no two separators meet
// and none leads, so that nothing is to be resolved. `out` has room for
// sixteen bytes past `rest`. False, with `out` spoilt, for any other.
bool CopyPlainPath(std::string_view rest, char first, char second, char joiner, char* out) {
  const size_t size = rest.size();
  if (size == 0) return false;
  unsigned afterSeparator = 1;  // the start is where a part starts
  for (size_t at = 0; at < size; at += 16) {
    const size_t count = std::min<size_t>(16, size - at);
    const char* from = rest.data() + at;
    char block[16];
    if (count < 16) {
      // The last few, in a copy: nothing past `rest` is read.
      std::memset(block, 'a', sizeof block);
      std::memcpy(block, from, count);
      from = block;
    }
    const unsigned valid = count == 16 ? 0xFFFFu : (1u << count) - 1;
    const unsigned separator = EitherByteMask(from, first, second) & valid;
    const unsigned dot = EitherByteMask(from, '.', '.') & valid;
    const unsigned partStarts = ((separator << 1) | afterSeparator) & valid;
    if ((partStarts & (separator | dot)) != 0) return false;
    afterSeparator = (separator >> 15) & 1;
    std::memcpy(out + at, from, 16);
    for (unsigned left = separator; left != 0; left &= left - 1) out[at + LowestBit(left)] = joiner;
  }
  return true;
}

// `rest` resolved after the root that *result already holds, written in
// place: every path the load opens comes through here. One or two
// separators.
void ResolveAfter(std::string* result, std::string_view rest, std::string_view separators,
                  char joiner, bool keepFinal) {
  const char first = separators.front(), second = separators.back();
  auto isSeparator = [first, second](char c) { return c == first || c == second; };
  // Built apart and appended once. Each part takes at most the bytes it
  // had and a joiner for the separator after it.
  char onStack[512];
  std::unique_ptr<char[]> onHeap;
  char* out = onStack;
  if (rest.size() + 16 > sizeof onStack) {
    onHeap.reset(new char[rest.size() + 16]);
    out = onHeap.get();
  }
  const bool endedWithSeparator = !rest.empty() && isSeparator(rest.back());
  // Separators that lead part nothing.
  const size_t lead = std::min(rest.size(), rest.find_first_not_of(separators));
  if (CopyPlainPath(rest.substr(lead), first, second, joiner, out)) {
    // As the parts would be joined below.
    result->append(out, rest.size() - lead - (endedWithSeparator && !keepFinal ? 1 : 0));
    return;
  }
  size_t end = 0;
  size_t pos = 0;
  while (pos < rest.size()) {
    const size_t next = FindEitherByte(rest.data(), pos, rest.size(), first, second);
    const std::string_view part = rest.substr(pos, next - pos);
    if (part == "..") {
      // Back to after the joiner before the last part, never into the root.
      if (end > 0) --end;
      while (end > 0 && out[end - 1] != joiner) --end;
    } else if (!part.empty() && part != ".") {
      std::memcpy(out + end, part.data(), part.size());
      end += part.size();
      out[end++] = joiner;
    }
    pos = next + 1;
  }
  if (end > 0 && !(keepFinal && endedWithSeparator)) --end;
  if (end > 0) result->append(out, end);
}

// Joins a drive's folder and the rest of a Windows path into *posix,
// turning every backslash into a slash. ".." stops at the drive's folder as
// Wine stops it, so that no path on a drive reaches a file outside the
// folder it stands for.
void Join(std::string_view folder, std::string_view rest, std::string* posix) {
  posix->assign(folder);
  if (posix->empty() || posix->back() != '/') *posix += '/';
  ResolveAfter(posix, rest, "\\/", '/', true);
}

}  // namespace

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

void MapDrive(char drive, std::string_view folder) {
  int index = DriveIndex(drive);
  if (index < 0) return;
  std::string value(folder);
  while (value.size() > 1 && value.back() == '/') value.pop_back();
  DriveTable()[static_cast<size_t>(index)] = value;
}

std::optional<std::string> ToPosixPath(std::string_view path) {
  std::string posix;
  if (!ToPosixPath(path, &posix)) return std::nullopt;
  return posix;
}

bool ToPosixPath(std::string_view path, std::string* posix) {
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return false;
  if (path.size() >= 2 && path[1] == ':') {
    int index = DriveIndex(path[0]);
    if (index < 0) return false;
    const std::string& folder = DriveTable()[static_cast<size_t>(index)];
    if (folder.empty()) return false;
    Join(folder, path.substr(2), posix);
    return true;
  }
  if (!path.empty() && IsSeparator(path[0])) {
    // From the root of the current folder's drive.
    std::string current = ToWindowsPath(CurrentFolder());
    int index = DriveIndex(current[0]);
    Join(DriveTable()[static_cast<size_t>(index)], path, posix);
    return true;
  }
  posix->assign(path);
  std::replace(posix->begin(), posix->end(), '\\', '/');
  return true;
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
  ResolveAfter(&result, rest, separators, joiner, keepFinal);
  return result;
}

}  // namespace voltrak
