#include "support/path_shape.h"

namespace voltrak {

size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

std::string_view FileNamePart(std::string_view path) {
  const size_t slash = LastSeparator(path);
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view FolderPart(std::string_view path) {
  const size_t slash = LastSeparator(path);
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view ExtensionPart(std::string_view path) {
  std::string_view name = FileNamePart(path);
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

char SeparatorOf(std::string_view path) {
  return path.find('/') != std::string_view::npos && path.find('\\') == std::string_view::npos
             ? '/'
             : '\\';
}

std::string_view RootOf(std::string_view playlistPath) {
  if (IsNetworkPath(playlistPath)) {
    const size_t server = playlistPath.find_first_of("\\/", 2);
    if (server == std::string_view::npos) return playlistPath;
    const size_t share = playlistPath.find_first_of("\\/", server + 1);
    return playlistPath.substr(0, share);
  }
  return playlistPath.substr(0, 2);
}

void ResolveOpenPathInto(std::string_view filePath, const ListPlace& list, std::string* full) {
  if (IsWholeWindowsPath(filePath)) {
    full->assign(filePath);
    return;
  }
  full->assign(IsFromRoot(filePath) ? list.Root : list.Folder);
  full->append(filePath);
}

std::string ResolveOpenPath(std::string_view filePath, std::string_view playlistPath) {
  std::string full;
  ResolveOpenPathInto(filePath, ListPlace(playlistPath), &full);
  return full;
}

}  // namespace voltrak
