#include <windows.h>

#include "support/whole_path.h"

namespace voltrak {

std::string WholePath(std::string_view path) {
  if (path.empty() || IsWholePath(path) || path.find('\0') != std::string_view::npos) {
    return std::string(path);
  }
  std::string name(path);
  DWORD length = GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
  if (length == 0) return name;
  std::string full(length, '\0');
  length = GetFullPathNameA(name.c_str(), length, full.data(), nullptr);
  if (length == 0 || length >= full.size()) return name;
  full.resize(length);
  return full;
}

std::optional<std::string> NativePathOf(std::string_view) { return std::nullopt; }

}  // namespace voltrak
