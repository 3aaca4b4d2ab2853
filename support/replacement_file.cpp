#include "support/replacement_file.h"

#include <utility>

namespace voltrak {
namespace {

// Names taken by scratch files of runs that were killed, or by anyone else,
// are passed over; past this many something else is wrong.
constexpr unsigned kAttempts = 100;

bool NameTaken(uint32_t error) {
  return error == kErrorFileExists || error == kErrorAlreadyExists;
}

}  // namespace

std::string ScratchNameFor(std::string_view target, unsigned attempt) {
  const std::string number = attempt == 0 ? std::string() : std::to_string(attempt);
  std::string name(target);
  name += ".new" + number + ".tmp";
  if (name.size() <= kMaxPathLength) return name;
  const size_t slash = target.find_last_of("\\/");
  name.assign(target.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
  name += "~vt" + number + ".tmp";
  return name;
}

ReplacementFile::ReplacementFile(FileSystem& files, std::string target)
    : files_(files), target_(std::move(target)) {
  if (target_.size() > kMaxPathLength) {
    error_ = kErrorFilenameTooLong;
    return;
  }
  for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
    scratch_ = ScratchNameFor(target_, attempt);
    file_ = files_.CreateNew(scratch_, &error_);
    if (file_ || !NameTaken(error_)) break;
  }
  if (file_) {
    error_ = kErrorSuccess;
    made_ = true;
  } else if (error_ == kErrorSuccess) {
    error_ = kErrorWriteFault;
  }
}

ReplacementFile::~ReplacementFile() { Abandon(); }

bool ReplacementFile::Write(std::string_view bytes) {
  if (!file_ || closed_ || error_ != 0) return false;
  if (!file_->Write(bytes)) {
    error_ = kErrorWriteFault;
    return false;
  }
  return true;
}

uint32_t ReplacementFile::Close() {
  if (closed_ || !file_) return error_;
  closed_ = true;
  // The close names the real cause (a full disk) when a write did not.
  if (uint32_t closed = file_->Close(); closed != 0) error_ = closed;
  file_.reset();
  if (error_ != 0) Abandon();
  return error_;
}

uint32_t ReplacementFile::Commit(bool replace) {
  if (uint32_t closed = Close(); closed != 0) return closed;
  if (settled_) return error_ ? error_ : kErrorWriteFault;
  error_ = replace ? files_.Replace(scratch_, target_) : files_.Rename(scratch_, target_);
  if (error_ != 0) {
    Abandon();
    return error_;
  }
  settled_ = true;
  return kErrorSuccess;
}

void ReplacementFile::Abandon() {
  // Only a file this object made: the name tried last may be another's.
  if (settled_ || !made_) return;
  settled_ = true;
  closed_ = true;
  if (file_) {
    file_->Close();
    file_.reset();
  }
  files_.Delete(scratch_);
}

uint32_t WriteWholeFile(FileSystem& files, std::string_view target, std::string_view bytes) {
  ReplacementFile file(files, std::string(target));
  if (file.Error() != 0) return file.Error();
  file.Write(bytes);
  return file.Commit();
}

}  // namespace voltrak
