// The load's host on a terminal: message boxes become lines on standard
// error, questions are answered from the options, and the progress bar is a
// line that redraws itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "playlist/playlist_loader.h"

namespace voltrak::cli {

// A message box as one line: the caption, then the text. A caption that
// ends in its own punctuation ("Warning!") is followed by a blank only.
std::string MessageLine(std::string_view caption, std::string_view text);

// The system's text for a Win32 error code, without a line end; empty for a
// code it does not know.
std::string SystemErrorText(uint32_t code);

// The progress bar's line for `done` of `total`, `width` characters of bar.
std::string ProgressLine(std::string_view label, uint32_t done, uint32_t total, size_t width);

class CliLoadHost : public LoadHost {
 public:
  enum class Progress { kNever, kWhenSlow, kAlways };
  CliLoadHost(std::FILE* messages, Progress progress);
  ~CliLoadHost() override;

  // Removes the progress bar from the terminal.
  void EndProgress();

  void EnableFileCommands(bool) override {}
  void SetTitle(std::string_view title) override;
  void ProgressStart(uint32_t count) override;
  void ProgressStep() override;
  void HandlePendingEvents() override {}
  int ShowMessage(std::string_view text, std::string_view caption, uint32_t style,
                 bool owned) override;
  void StopWatcher() override {}
  void StartWatcher() override {}
  // The front end plans once, with its own settings, after the load.
  void PlanVolumes() override {}
  // The front end keeps no settings between runs.
  void StoreLastFile(std::string_view) override {}
  void RunCommand(uint32_t) override {}
  void ReportSystemError(uint32_t code, unsigned line, const char* file) override;
  bool OfferRewrite(std::string_view caption) override;
  void Trace(std::string_view) override {}

 private:
  void Print(const std::string& line);
  void Draw();

  std::FILE* messages_;
  Progress progress_;
  std::string label_;
  uint32_t total_ = 0;
  uint32_t done_ = 0;
  uint32_t drawnPercent_ = UINT32_MAX;
  bool shown_ = false;       // the bar is on the terminal now
  bool slowEnough_ = false;  // the load has run long enough to show it
  std::chrono::steady_clock::time_point started_;
};

}  // namespace voltrak::cli
