// The load's host on a terminal: message boxes become lines on standard
// error, questions are answered from the options, and the progress bar is a
// line that redraws itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "playlist/playlist_loader.h"
#include "playlist/playlist_rewrite.h"

namespace voltrak::cli {

// A message as GNU programs give one: "voltrak-cli: FILE: TEXT", or
// "voltrak-cli: TEXT" when no file is named.
std::string GnuMessage(std::string_view file, std::string_view text);

// A message box's text worded for such a line: no closing "!" or ".", and a
// first word in lower case ("Path changed." is "path changed").
std::string AsClause(std::string_view text);

// The name a POSIX user knows a Windows path by (/tmp/x/a.mp3 for
// Z:\tmp\x\a.mp3); on Windows, and for a path with no such name, the path.
std::string UserNameOf(std::string_view windowsPath);

// Why `code` stopped the opening of `windowsPath`, in this system's words
// ("No such file or directory" on Linux); a folder says that it is one.
std::string FailureReason(uint32_t code, std::string_view windowsPath);

// The system's text for a Win32 error code, without a line end; empty for a
// code it does not know.
std::string SystemErrorText(uint32_t code);

// The progress bar's line for `done` of `total`, `width` characters of bar.
std::string ProgressLine(std::string_view label, uint32_t done, uint32_t total, size_t width);

// Shows a pair of duplicates on `out` as the window's question shows them and
// reads the answer from `in`: 1 or 2 removes that entry, b keeps both, s
// stops checking. The end of the input stops checking: nothing is removed
// that nobody chose.
DuplicateAnswer AskOnTerminal(std::FILE* in, std::FILE* out, const EntryRef& first,
                              const EntryRef& second);

class CliLoadHost : public LoadHost {
 public:
  enum class Progress { kNever, kWhenSlow, kAlways };
  // `playlistName` is the playlist as the user named it, for the messages.
  CliLoadHost(std::FILE* messages, Progress progress, std::string playlistName);
  ~CliLoadHost() override;

  // Removes the progress bar from the terminal.
  void EndProgress();
  // One message line, the progress bar kept below it.
  void Print(const std::string& line);
  const std::string& PlaylistName() const { return playlistName_; }

  // The front end plans once, with its own settings, after the load.
  void ListReplaced() override {}
  void SetTitle(std::string_view title) override;
  void ProgressStart(uint32_t count) override;
  void ProgressStep() override;
  void HandlePendingEvents() override {}
  int ShowMessage(std::string_view text, std::string_view caption, uint32_t style,
                 bool owned) override;
  void ReportSystemError(uint32_t code, unsigned line, const char* file) override;
  bool OfferRewrite(std::string_view caption) override;
  void NoteTrackError(uint32_t code) override { trackError_ = code; }
  // Both entries stay unless answers come from `AskOn`'s stream.
  DuplicateAnswer AskAboutDuplicate(const EntryRef& first, const EntryRef& second) override;
  // Duplicate questions are asked on the messages' stream and answered from
  // `answers`, a line each.
  void AskOn(std::FILE* answers) { answers_ = answers; }
  // A Yes to the rewrite question runs `rewrite`, which says whether it
  // wrote the file and loaded it again; in a dry run, whether it would.
  void RewriteWith(std::function<bool()> rewrite, bool dryRun = false) {
    rewrite_ = std::move(rewrite);
    dryRun_ = dryRun;
  }
  void Trace(std::string_view) override {}

 private:
  void Draw();

  std::FILE* messages_;
  std::FILE* answers_ = nullptr;
  std::function<bool()> rewrite_;
  bool dryRun_ = false;
  Progress progress_;
  std::string playlistName_;
  std::string unopenedPlaylist_;  // the path of the playlist that did not open
  uint32_t trackError_ = 0;
  std::string label_;
  uint32_t total_ = 0;
  uint32_t done_ = 0;
  uint32_t drawnPercent_ = UINT32_MAX;
  bool shown_ = false;       // the bar is on the terminal now
  bool slowEnough_ = false;  // the load has run long enough to show it
  std::chrono::steady_clock::time_point started_;
};

// The rewrite's boxes as message lines; its reload is the caller's. In a
// dry run nothing was backed up, and the backup is not announced.
class CliRewriteHost : public RewriteHost {
 public:
  CliRewriteHost(CliLoadHost& lines, std::function<void()> reload, bool dryRun = false)
      : lines_(lines), reload_(std::move(reload)), dryRun_(dryRun) {}
  int ShowMessage(std::string_view text, std::string_view caption, uint32_t style) override;
  void Reload() override { reload_(); }

 private:
  CliLoadHost& lines_;
  std::function<void()> reload_;
  bool dryRun_;
};

}  // namespace voltrak::cli
