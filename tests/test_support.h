// Helpers shared by the unit tests: scratch folders in Windows form, and a
// scripted load host that records what the load showed.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/playlist_loader.h"
#include "support/clock.h"
#include "support/file_system.h"

namespace voltrak::testing {

// A fresh, empty folder that is removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's Windows path, without a final backslash.
  const std::string& Path() const { return windowsPath_; }
  // A path inside the folder.
  std::string operator/(std::string_view relative) const;
  // Writes a file (creating no folders) and fails the test if it cannot.
  void Write(std::string_view relative, std::string_view bytes) const;
  std::string Read(std::string_view relative) const;
  // The path the platform's own calls take: for links, and the like.
  std::string Native(std::string_view relative) const;
  // The name a path repair gives a file in the folder: in the user's style,
  // its POSIX path on POSIX, its Windows path on Windows.
  std::string Repaired(std::string_view relative) const;
  void CreateFolder(std::string_view relative) const;

 private:
  std::string nativePath_;
  std::string windowsPath_;
};

// Bytes of a track file of `size` bytes; with an ID3v1 tag at its end when
// `title` is given and the file is long enough.
std::string TrackBytes(size_t size, std::string_view title = {}, std::string_view artist = {});

// A record at `path` with its display name, tagged with the texts given
// (untagged, all zero, when all three are empty).
MP3Information RecordOf(std::string_view path, std::string_view title = {},
                        std::string_view artist = {}, std::string_view album = {});

// Always the same moment, so that dated names and pages never change.
class FixedClock : public Clock {
 public:
  explicit FixedClock(const LocalTime& now) : now_(now) {}
  LocalTime Now() override { return now_; }

 private:
  LocalTime now_;
};

// Records every host call as a line of text and answers message boxes from a
// queue (OK when the queue is empty).
class ScriptedLoadHost : public LoadHost {
 public:
  std::vector<std::string> Calls;
  std::deque<int> Answers;
  std::deque<DuplicateAnswer> DuplicateAnswers;
  bool TakeRewrite = false;
  uint32_t ProgressSteps = 0;
  uint32_t PendingEventCalls = 0;

  void ListReplaced() override { Calls.push_back("list replaced"); }
  void SetTitle(std::string_view title) override;
  void ProgressStart(uint32_t count) override;
  void ProgressStep() override { ++ProgressSteps; }
  void HandlePendingEvents() override { ++PendingEventCalls; }
  int ShowMessage(std::string_view text, std::string_view caption, uint32_t style,
                 bool owned) override;
  void ReportSystemError(uint32_t code, unsigned line, const char* file) override;
  bool OfferRewrite(std::string_view caption) override;
  // Answers from DuplicateAnswers (Keep Both when empty), each question
  // recorded as "ask <first position> <second position>".
  DuplicateAnswer AskAboutDuplicate(const EntryRef& first, const EntryRef& second) override;
  void Trace(std::string_view line) override;

  // The calls whose text starts with `prefix`.
  std::vector<std::string> CallsStartingWith(std::string_view prefix) const;
};

}  // namespace voltrak::testing
