#include "cli/cli_host.h"

#include "support/system_error.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace voltrak::cli {
namespace {

// A load shorter than this finishes before a bar would help.
constexpr std::chrono::milliseconds kShowAfter(300);
constexpr size_t kBarWidth = 30;

}  // namespace

std::string MessageLine(std::string_view caption, std::string_view text) {
  std::string line(caption);
  bool punctuated = !caption.empty() &&
                    (caption.back() == '.' || caption.back() == '!' || caption.back() == '?');
  line += punctuated ? " " : ": ";
  line += text;
  return line;
}

std::string SystemErrorText(uint32_t code) {
#ifdef _WIN32
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = text ? text : "";
  LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) {
    result.pop_back();
  }
  return result;
#else
  // The system's own words for the codes the POSIX layer gives.
  switch (code) {
    case kErrorSuccess: return "The operation completed successfully.";
    case kErrorFileNotFound: return "The system cannot find the file specified.";
    case kErrorPathNotFound: return "The system cannot find the path specified.";
    case kErrorTooManyOpenFiles: return "The system cannot open the file.";
    case kErrorAccessDenied: return "Access is denied.";
    case kErrorNotEnoughMemory:
      return "Not enough memory resources are available to process this command.";
    case kErrorNotReady: return "The device is not ready.";
    case kErrorWriteFault: return "The system cannot write to the specified device.";
    case kErrorReadFault: return "The system cannot read from the specified device.";
    case 31: return "A device attached to the system is not functioning.";
    case kErrorSharingViolation:
      return "The process cannot access the file because it is being used by another process.";
    case kErrorBadNetPath: return "The network path was not found.";
    case kErrorFileExists: return "The file exists.";
    case kErrorInvalidParameter: return "The parameter is incorrect.";
    case kErrorDiskFull: return "There is not enough space on the disk.";
    case kErrorInvalidName:
      return "The filename, directory name, or volume label syntax is incorrect.";
    case kErrorDirNotEmpty: return "The directory is not empty.";
    case kErrorAlreadyExists: return "Cannot create a file when that file already exists.";
    case kErrorFilenameTooLong: return "The filename or extension is too long.";
    default: return "";
  }
#endif
}

std::string ProgressLine(std::string_view label, uint32_t done, uint32_t total, size_t width) {
  if (done > total) done = total;
  size_t filled = total == 0 ? width : static_cast<size_t>(uint64_t{done} * width / total);
  unsigned percent = total == 0 ? 100u : static_cast<unsigned>(uint64_t{done} * 100 / total);
  std::string line(label);
  line += " [";
  line.append(filled, '#');
  line.append(width - filled, '.');
  char numbers[48];
  std::snprintf(numbers, sizeof numbers, "] %3u%% %u/%u", percent, static_cast<unsigned>(done),
                static_cast<unsigned>(total));
  line += numbers;
  return line;
}

CliLoadHost::CliLoadHost(std::FILE* messages, Progress progress)
    : messages_(messages), progress_(progress) {}

CliLoadHost::~CliLoadHost() { EndProgress(); }

void CliLoadHost::SetTitle(std::string_view title) { label_ = title; }

void CliLoadHost::ProgressStart(uint32_t count) {
  total_ = count;
  done_ = 0;
  drawnPercent_ = UINT32_MAX;
  slowEnough_ = progress_ == Progress::kAlways;
  started_ = std::chrono::steady_clock::now();
  if (slowEnough_) Draw();
}

void CliLoadHost::ProgressStep() {
  if (progress_ == Progress::kNever) return;
  ++done_;
  // Looking at the clock now and then is plenty to notice a slow load.
  if (!slowEnough_ && (done_ & 63) == 0 &&
      std::chrono::steady_clock::now() - started_ >= kShowAfter) {
    slowEnough_ = true;
  }
  if (slowEnough_) Draw();
}

void CliLoadHost::Draw() {
  uint32_t percent = total_ == 0 ? 100 : static_cast<uint32_t>(uint64_t{done_} * 100 / total_);
  if (shown_ && percent == drawnPercent_) return;
  drawnPercent_ = percent;
  std::fprintf(messages_, "\r%s", ProgressLine(label_, done_, total_, kBarWidth).c_str());
  std::fflush(messages_);
  shown_ = true;
}

void CliLoadHost::EndProgress() {
  if (!shown_) return;
  // Blank the line rather than leave a finished bar among the messages.
  std::string blank = ProgressLine(label_, done_, total_, kBarWidth);
  blank.assign(blank.size(), ' ');
  std::fprintf(messages_, "\r%s\r", blank.c_str());
  std::fflush(messages_);
  shown_ = false;
}

void CliLoadHost::Print(const std::string& line) {
  bool redraw = shown_;
  EndProgress();
  std::fprintf(messages_, "%s\n", line.c_str());
  std::fflush(messages_);
  if (redraw) {
    drawnPercent_ = UINT32_MAX;
    Draw();
  }
}

int CliLoadHost::ShowMessage(std::string_view text, std::string_view caption, uint32_t style,
                             bool) {
  uint32_t buttons = style & 0xF;
  if (buttons == kBoxYesNo) {
    // No one is there to say yes; leave things as they are.
    Print(MessageLine(caption, std::string(text) + " No"));
    return kAnswerNo;
  }
  Print(MessageLine(caption, text));
  return kAnswerOk;
}

void CliLoadHost::ReportSystemError(uint32_t code, unsigned line, const char* file) {
  Print(MessageLine(SystemErrorCaption(code, line, file ? file : ""), SystemErrorText(code)));
}

bool CliLoadHost::OfferRewrite(std::string_view caption) {
  // The playlist is not rewritten from here: the changed list stays in memory.
  Print(MessageLine(caption, "Should I rewrite this file? No"));
  return false;
}

}  // namespace voltrak::cli
