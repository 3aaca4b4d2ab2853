#include "cli/file_lines.h"

#include <algorithm>

#include "cli/cli_host.h"
#include "cli/terminal_text.h"

namespace voltrak::cli {
namespace {

// A file of a dry run: takes every byte and keeps none.
class NoFile final : public OutputFile {
 public:
  bool Write(std::string_view) override { return true; }
  uint32_t Close() override { return kErrorSuccess; }
};

// An opened file whose reads give its size in bytes without reading them.
class UnreadFile final : public InputFile {
 public:
  explicit UnreadFile(std::unique_ptr<InputFile> file) : file_(std::move(file)) {}
  uint64_t Size() const override { return file_->Size(); }
  std::optional<FileIdentity> Identity() const override { return file_->Identity(); }
  uint32_t Read(char*, size_t capacity, size_t* got) override {
    *got = static_cast<size_t>(std::min<uint64_t>(capacity, file_->Size() - done_));
    done_ += *got;
    return kErrorSuccess;
  }

 private:
  std::unique_ptr<InputFile> file_;
  uint64_t done_ = 0;
};

}  // namespace

FileLines::FileLines(FileSystem& files, std::FILE* lines, bool dryRun)
    : files_(files), lines_(lines), dryRun_(dryRun) {}

void FileLines::Say(std::string_view done, std::string_view path, std::string_view to) {
  std::string line = dryRun_ ? "would " : "";
  line += done;
  line += ' ';
  line += UserNameOf(path);
  if (!to.empty()) line += " as " + UserNameOf(to);
  PrintLine(lines_, line);
  std::fflush(lines_);
}

void FileLines::Copied(std::string_view source, std::string_view destination) {
  PrintLine(lines_, std::string(dryRun_ ? "would copy " : "copied ") + UserNameOf(source) +
                        " -> " + UserNameOf(destination));
  std::fflush(lines_);
}

std::unique_ptr<InputFile> FileLines::Open(std::string_view path, uint32_t* error) {
  std::unique_ptr<InputFile> file = files_.Open(path, error);
  if (!dryRun_ || !file) return file;
  return std::make_unique<UnreadFile>(std::move(file));
}

std::unique_ptr<OutputFile> FileLines::CreateNew(std::string_view path, uint32_t* error) {
  std::unique_ptr<OutputFile> file;
  if (dryRun_) {
    *error = kErrorSuccess;
    file = std::make_unique<NoFile>();
  } else {
    file = files_.CreateNew(path, error);
  }
  if (file) scratch_.insert(std::string(path));
  return file;
}

uint32_t FileLines::Move(std::string_view from, std::string_view to, bool replace) {
  const uint32_t error = dryRun_ ? kErrorSuccess
                         : replace ? files_.Replace(from, to)
                                   : files_.Rename(from, to);
  if (error != kErrorSuccess) return error;
  if (scratch_.erase(std::string(from)) != 0) {
    if (sayWrites_) Say(dryRun_ ? "write" : "wrote", to);
  } else {
    Say(dryRun_ ? "back up" : "backed up", from, to);
  }
  return kErrorSuccess;
}

uint32_t FileLines::Rename(std::string_view from, std::string_view to) {
  return Move(from, to, false);
}

uint32_t FileLines::Replace(std::string_view from, std::string_view to) {
  return Move(from, to, true);
}

uint32_t FileLines::Delete(std::string_view path) {
  // Only scratch files of a write that failed are ever removed.
  scratch_.erase(std::string(path));
  return dryRun_ ? kErrorSuccess : files_.Delete(path);
}

uint32_t FileLines::CreateFolder(std::string_view path) {
  uint32_t error = kErrorSuccess;
  if (dryRun_) {
    FileIdentity there;
    if (files_.Identify(path, &there) == kErrorSuccess || Made(path)) error = kErrorAlreadyExists;
  } else {
    error = files_.CreateFolder(path);
  }
  if (error != kErrorSuccess) return error;
  made_.insert(std::string(path));
  Say(dryRun_ ? "make folder" : "made folder", path);
  return kErrorSuccess;
}

uint32_t FileLines::SetTimes(std::string_view path, const FileTimes& times) {
  return dryRun_ ? kErrorSuccess : files_.SetTimes(path, times);
}

}  // namespace voltrak::cli
