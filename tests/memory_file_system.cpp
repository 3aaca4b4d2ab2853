#include "tests/memory_file_system.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <type_traits>
#include <utility>

namespace voltrak::testing {
namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Fold(x) == Fold(y); });
}

// A drive ("C:", "C:\") or a server or share root ("\\server", "\\server\share"),
// which always exists.
bool IsRoot(std::string_view path) {
  if (path.size() >= 2 && path.size() <= 3 && path[1] == ':') return path.size() == 2 || path[2] == '\\';
  if (path.size() < 3 || path.substr(0, 2) != "\\\\") return false;
  std::string_view rest = path.substr(2);
  if (rest.back() == '\\') rest.remove_suffix(1);
  return std::count(rest.begin(), rest.end(), '\\') <= 1;
}

const std::string& KeyOf(const std::string& key) { return key; }
template <typename Value>
const std::string& KeyOf(const std::pair<const std::string, Value>& entry) { return entry.first; }

// Gives `from`, and everything below it when it is a folder, the same place under `to`.
template <typename Store>
void MoveKeys(Store& store, std::string_view from, std::string_view to) {
  std::vector<std::pair<typename Store::node_type, std::string>> moved;
  for (auto entry = store.begin(); entry != store.end();) {
    const std::string& key = KeyOf(*entry);
    auto next = std::next(entry);
    if (SameName(std::string_view(key).substr(0, from.size()), from) &&
        (key.size() == from.size() || key[from.size()] == '\\')) {
      std::string renamed = std::string(to) + key.substr(from.size());
      moved.emplace_back(store.extract(entry), std::move(renamed));
    }
    entry = next;
  }
  for (auto& [node, key] : moved) {
    if constexpr (std::is_same_v<typename Store::key_type, typename Store::value_type>) {
      node.value() = std::move(key);
    } else {
      node.key() = std::move(key);
    }
    store.insert(std::move(node));
  }
}

uint32_t CheckPath(std::string_view path) {
  if (path.size() > kMaxPathLength) return kErrorFilenameTooLong;
  if (path.find('\0') != std::string_view::npos) return kErrorInvalidName;
  return kErrorSuccess;
}

}  // namespace

bool MemoryFileSystem::NoCaseLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Fold(x) < Fold(y); });
}

// Writes go straight into the store, so a write cut short leaves a truncated
// file behind, as on a real disk.
class MemoryFileSystem::MemoryOutputFile : public OutputFile {
 public:
  MemoryOutputFile(MemoryFileSystem& owner, std::string path)
      : owner_(owner), path_(std::move(path)) {}

  bool Write(std::string_view bytes) override {
    if (closed_) return false;
    std::lock_guard<std::mutex> lock(owner_.mutex_);
    uint32_t error = owner_.Begin(Op::kWrite, {});
    if (error == 0) error = owner_.Append(path_, bytes);
    if (failure_ == 0) failure_ = error;
    return error == 0;
  }

  // A close can fail on its own: the last of the data reaches the disk here.
  uint32_t Close() override {
    if (closed_) return failure_;
    closed_ = true;
    std::lock_guard<std::mutex> lock(owner_.mutex_);
    uint32_t error = owner_.Begin(Op::kClose, {});
    if (failure_ == 0) failure_ = error;
    return failure_;
  }

 private:
  MemoryFileSystem& owner_;
  std::string path_;
  bool closed_ = false;
  uint32_t failure_ = 0;
};

class MemoryFileSystem::MemoryInputFile : public InputFile {
 public:
  MemoryInputFile(MemoryFileSystem& owner, std::string bytes, uint64_t id)
      : owner_(owner), bytes_(std::move(bytes)), id_(id) {}
  uint64_t Size() const override { return bytes_.size(); }
  std::optional<FileIdentity> Identity() const override { return FileIdentity{1, id_}; }
  uint32_t ReadAt(uint64_t offset, char* buffer, size_t capacity, size_t* got) override {
    *got = 0;
    std::lock_guard<std::mutex> lock(owner_.mutex_);
    if (uint32_t error = owner_.Begin(Op::kRead, {})) return error;
    if (offset < bytes_.size()) *got = bytes_.copy(buffer, capacity, static_cast<size_t>(offset));
    return kErrorSuccess;
  }
  uint32_t Read(char* buffer, size_t capacity, size_t* got) override {
    *got = 0;
    std::lock_guard<std::mutex> lock(owner_.mutex_);
    if (uint32_t error = owner_.Begin(Op::kRead, {})) return error;
    *got = bytes_.copy(buffer, capacity, offset_);
    offset_ += *got;
    return kErrorSuccess;
  }

 private:
  MemoryFileSystem& owner_;
  std::string bytes_;
  size_t offset_ = 0;
  uint64_t id_;
};

MemoryFileSystem::File MemoryFileSystem::NewFile() {
  File file = std::make_shared<Content>();
  file->Id = ++nextId_;
  file->Times.Created = file->Times.Accessed = Tick();
  return file;
}

void MemoryFileSystem::Put(std::string_view path, std::string_view bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  AddFolders(path);
  File& file = files_[std::string(path)];
  if (!file) file = NewFile();
  file->Bytes = std::string(bytes);
  file->Times.Written = Tick();
}

void MemoryFileSystem::Link(std::string_view existing, std::string_view alias) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto file = files_.find(existing);
  if (file == files_.end()) return;
  File shared = file->second;
  AddFolders(alias);
  files_[std::string(alias)] = std::move(shared);
}

void MemoryFileSystem::PutFolder(std::string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  AddFolders(path);
  if (!IsRoot(path)) folders_.emplace(path);
}

bool MemoryFileSystem::Exists(std::string_view path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return files_.count(path) > 0 || IsFolder(path);
}

std::optional<std::string> MemoryFileSystem::Get(std::string_view path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto file = files_.find(path);
  if (file == files_.end()) return std::nullopt;
  return file->second->Bytes;
}

std::vector<std::string> MemoryFileSystem::Files() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> paths;
  for (const auto& file : files_) paths.push_back(file.first);
  std::sort(paths.begin(), paths.end());
  return paths;
}

void MemoryFileSystem::FailNext(Op op, uint32_t error, unsigned skip) {
  std::lock_guard<std::mutex> lock(mutex_);
  failures_.push_back({op, error, skip});
}

void MemoryFileSystem::FailOpenOf(std::string_view path, uint32_t error) {
  std::lock_guard<std::mutex> lock(mutex_);
  failingOpens_.insert_or_assign(std::string(path), error);
}

void MemoryFileSystem::DiskFullAfter(size_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  diskLeft_ = bytes;
}

unsigned MemoryFileSystem::Calls(Op op) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_[static_cast<size_t>(op)];
}

uint32_t MemoryFileSystem::Begin(Op op, std::string_view path) {
  ++calls_[static_cast<size_t>(op)];
  // Of the failures due now, the one queued first fires; the others wait
  // for the following calls.
  uint32_t error = 0;
  bool fired = false;
  for (auto failure = failures_.begin(); failure != failures_.end();) {
    if (failure->Operation == op && failure->Skip == 0 && !fired) {
      error = failure->Error;
      fired = true;
      failure = failures_.erase(failure);
      continue;
    }
    if (failure->Operation == op && failure->Skip > 0) --failure->Skip;
    ++failure;
  }
  if (!fired && op == Op::kOpen) {
    auto failing = failingOpens_.find(path);
    if (failing != failingOpens_.end()) error = failing->second;
  }
  if (error == kThrowBadAlloc) throw std::bad_alloc();
  return error != 0 ? error : CheckPath(path);
}

uint32_t MemoryFileSystem::Append(const std::string& path, std::string_view bytes) {
  uint32_t error = kErrorSuccess;
  if (diskLeft_) {
    if (bytes.size() > *diskLeft_) {
      bytes = bytes.substr(0, *diskLeft_);
      error = kErrorDiskFull;
    }
    *diskLeft_ -= bytes.size();
  }
  // A file deleted or renamed while open takes its later bytes with it.
  auto file = files_.find(path);
  if (file != files_.end()) {
    file->second->Bytes.append(bytes);
    file->second->Times.Written = Tick();
  }
  return error;
}

bool MemoryFileSystem::IsFolder(std::string_view path) const {
  return IsRoot(path) || folders_.count(path) > 0;
}

bool MemoryFileSystem::ParentKnown(std::string_view path) const {
  size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos || slash == 0) return true;  // the current folder or drive
  return IsFolder(path.substr(0, slash));
}

void MemoryFileSystem::AddFolders(std::string_view path) {
  for (size_t slash = path.find('\\'); slash != std::string_view::npos;
       slash = path.find('\\', slash + 1)) {
    std::string_view folder = path.substr(0, slash);
    if (folder.find_first_not_of('\\') != std::string_view::npos && !IsRoot(folder)) {
      folders_.emplace(folder);
    }
  }
}

uint32_t MemoryFileSystem::ReadTail(std::string_view path, uint64_t* size, unsigned char* tail,
                                    size_t tailSize, size_t* tailRead) {
  *size = 0;
  *tailRead = 0;
  std::lock_guard<std::mutex> lock(mutex_);
  if (uint32_t error = Begin(Op::kOpen, path)) return error;
  if (IsFolder(path)) return kErrorAccessDenied;
  auto file = files_.find(path);
  if (file == files_.end()) return kErrorFileNotFound;
  const std::string& bytes = file->second->Bytes;
  *size = bytes.size();
  if (tailSize > 0 && bytes.size() >= tailSize) {
    std::copy(bytes.end() - static_cast<std::ptrdiff_t>(tailSize), bytes.end(), tail);
    *tailRead = tailSize;
  }
  return kErrorSuccess;
}

std::unique_ptr<InputFile> MemoryFileSystem::Open(std::string_view path, uint32_t* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  *error = Begin(Op::kOpen, path);
  if (*error == 0 && IsFolder(path)) *error = kErrorAccessDenied;
  auto file = files_.find(path);
  if (*error == 0 && file == files_.end()) *error = kErrorFileNotFound;
  if (*error != 0) return nullptr;
  return std::make_unique<MemoryInputFile>(*this, file->second->Bytes, file->second->Id);
}

std::unique_ptr<OutputFile> MemoryFileSystem::CreateNew(std::string_view path, uint32_t* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  *error = Begin(Op::kCreate, path);
  if (*error == 0 && (IsFolder(path) || files_.count(path) > 0)) *error = kErrorFileExists;
  if (*error == 0 && !ParentKnown(path)) *error = kErrorPathNotFound;
  if (*error != 0) return nullptr;
  auto file = files_.emplace(std::string(path), NewFile()).first;
  file->second->Times.Written = Tick();
  return std::make_unique<MemoryOutputFile>(*this, file->first);
}

uint32_t MemoryFileSystem::Rename(std::string_view from, std::string_view to) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint32_t error = Begin(Op::kRename, from);
  if (error == 0) error = CheckPath(to);
  if (error != 0) return error;
  const bool folder = folders_.count(from) > 0;
  if (!folder && files_.count(from) == 0) return kErrorFileNotFound;
  if (!ParentKnown(to)) return kErrorPathNotFound;
  // Only the case of a name may change in place.
  if ((files_.count(to) > 0 || IsFolder(to)) && !SameName(from, to)) return kErrorAlreadyExists;

  MoveKeys(files_, from, to);
  if (folder) MoveKeys(folders_, from, to);
  return kErrorSuccess;
}

uint32_t MemoryFileSystem::Replace(std::string_view from, std::string_view to) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint32_t error = Begin(Op::kReplace, from);
  if (error == 0) error = CheckPath(to);
  if (error != 0) return error;
  auto source = files_.find(from);
  if (source == files_.end()) return kErrorFileNotFound;
  if (!ParentKnown(to)) return kErrorPathNotFound;
  if (IsFolder(to)) return kErrorAccessDenied;
  File moved = std::move(source->second);
  files_.erase(source);
  files_.erase(std::string(to));
  files_.emplace(std::string(to), std::move(moved));
  return kErrorSuccess;
}

uint32_t MemoryFileSystem::Identify(std::string_view path, FileIdentity* identity) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (uint32_t error = Begin(Op::kIdentify, path)) return error;
  auto file = files_.find(path);
  if (file == files_.end()) return IsFolder(path) ? kErrorAccessDenied : kErrorFileNotFound;
  identity->Volume = 1;
  identity->Index = file->second->Id;
  return kErrorSuccess;
}

uint32_t MemoryFileSystem::Delete(std::string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (uint32_t error = Begin(Op::kDelete, path)) return error;
  if (IsFolder(path)) return kErrorAccessDenied;
  auto file = files_.find(path);
  if (file == files_.end()) return kErrorFileNotFound;
  files_.erase(file);
  return kErrorSuccess;
}

uint32_t MemoryFileSystem::CreateFolder(std::string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (uint32_t error = Begin(Op::kCreateFolder, path)) return error;
  if (files_.count(path) > 0 || IsFolder(path)) return kErrorAlreadyExists;
  if (!ParentKnown(path)) return kErrorPathNotFound;
  folders_.emplace(path);
  return kErrorSuccess;
}

uint32_t MemoryFileSystem::GetTimes(std::string_view path, FileTimes* times) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (uint32_t error = Begin(Op::kGetTimes, path)) return error;
  auto file = files_.find(path);
  if (file != files_.end()) {
    *times = file->second->Times;
    return kErrorSuccess;
  }
  if (!IsFolder(path)) return kErrorFileNotFound;
  *times = FileTimes{};  // folders keep no times here
  return kErrorSuccess;
}

uint32_t MemoryFileSystem::SetTimes(std::string_view path, const FileTimes& times) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (uint32_t error = Begin(Op::kSetTimes, path)) return error;
  if (IsFolder(path)) return kErrorAccessDenied;  // as a folder opened without backup rights
  auto file = files_.find(path);
  if (file == files_.end()) return kErrorFileNotFound;
  // A zero time leaves that time as it is, as SetFileTime does.
  FileTimes& kept = file->second->Times;
  if (times.Created != 0) kept.Created = times.Created;
  if (times.Accessed != 0) kept.Accessed = times.Accessed;
  if (times.Written != 0) kept.Written = times.Written;
  return kErrorSuccess;
}

}  // namespace voltrak::testing
