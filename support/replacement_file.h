// Writing a file without ever writing through a name that exists. The bytes
// go to a scratch file made beside the target under a name nothing held a
// moment before, and only a whole, closed file takes the target's name. So
// a link planted at either name is never followed, a file that is also read
// (a source under another spelling, a hard link of the playlist) is never
// cut short, and a failure at any step leaves the target as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "support/file_system.h"

namespace voltrak {

class ReplacementFile final : public OutputFile {
 public:
  // Makes the scratch file; Error() says why when it could not.
  ReplacementFile(FileSystem& files, std::string target);
  // A file neither committed nor abandoned is abandoned.
  ~ReplacementFile() override;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  uint32_t Error() const { return error_; }
  const std::string& Target() const { return target_; }
  const std::string& Scratch() const { return scratch_; }

  bool Write(std::string_view bytes) override;
  // Closes the scratch file: 0, or the first error of a write or the close,
  // after which the scratch file is gone.
  uint32_t Close() override;
  // Moves the closed, whole file onto the target's name, replacing what is
  // there, or only onto a free name when `replace` is false. 0, or the
  // error, after which the scratch file is gone and the target untouched.
  uint32_t Commit(bool replace = true);
  // Removes the scratch file; the target stays as it was.
  void Abandon();

 private:
  FileSystem& files_;
  std::string target_;
  std::string scratch_;
  std::unique_ptr<OutputFile> file_;
  uint32_t error_ = 0;
  bool made_ = false;  // the scratch file is this object's own
  bool closed_ = false;
  bool settled_ = false;  // committed or abandoned: the scratch name is free again
};

// The scratch names tried beside `target`, attempt 0 first: the target's
// name with ".new.tmp" (".new1.tmp", ...) added, or a short "~vtN.tmp" in
// its folder when that would be longer than a path may be.
std::string ScratchNameFor(std::string_view target, unsigned attempt);

// The whole of `bytes` as the file `target`, through a ReplacementFile.
uint32_t WriteWholeFile(FileSystem& files, std::string_view target, std::string_view bytes);

}  // namespace voltrak
