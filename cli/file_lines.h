// --verbose and --dry-run: the outputs write through this file system, which
// says each file put in place, folder made and file backed up, one line
// each; in a dry run it says what would be done and does none of it. So
// the lines come from the very writes the outputs make, and a dry run
// takes every decision a real run would.
#pragma once

#include <cstdio>
#include <set>
#include <string>
#include <string_view>

#include "support/file_system.h"

namespace voltrak::cli {

class FileLines final : public FileSystem {
 public:
  FileLines(FileSystem& files, std::FILE* lines, bool dryRun);

  bool DryRun() const { return dryRun_; }
  // Whether the lines name the files put in place: the copy names its own
  // files, with their sources (Copied).
  void SayWrites(bool say) { sayWrites_ = say; }
  // A copy in place: "copied SOURCE -> COPY".
  void Copied(std::string_view source, std::string_view destination);
  // Whether this run made the folder, or would have.
  bool Made(std::string_view folder) const { return made_.count(std::string(folder)) != 0; }

  // Reads go to the file system as they are. In a dry run an opened file
  // reads as its size of unread bytes: a dry run of a copy of gigabytes
  // reads nothing of them.
  std::unique_ptr<InputFile> Open(std::string_view path, uint32_t* error) override;
  uint32_t ReadTail(std::string_view path, uint64_t* size, unsigned char* tail, size_t tailSize,
                    size_t* tailRead) override {
    return files_.ReadTail(path, size, tail, tailSize, tailRead);
  }
  uint32_t Identify(std::string_view path, FileIdentity* identity) override {
    return files_.Identify(path, identity);
  }
  uint32_t GetTimes(std::string_view path, FileTimes* times) override {
    return files_.GetTimes(path, times);
  }

  // Writes: said, and in a dry run only said.
  std::unique_ptr<OutputFile> CreateNew(std::string_view path, uint32_t* error) override;
  uint32_t Rename(std::string_view from, std::string_view to) override;
  uint32_t Replace(std::string_view from, std::string_view to) override;
  uint32_t Delete(std::string_view path) override;
  uint32_t CreateFolder(std::string_view path) override;
  uint32_t SetTimes(std::string_view path, const FileTimes& times) override;

 private:
  // A file moved into place: written, when it was one of ours, else backed up.
  uint32_t Move(std::string_view from, std::string_view to, bool replace);
  void Say(std::string_view done, std::string_view path, std::string_view to = {});

  FileSystem& files_;
  std::FILE* lines_;
  bool dryRun_;
  bool sayWrites_ = true;
  std::set<std::string> scratch_;  // files this run made, not in place yet
  std::set<std::string> made_;     // folders this run made
};

}  // namespace voltrak::cli
