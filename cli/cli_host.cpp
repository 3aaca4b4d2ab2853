#include "cli/cli_host.h"

#include <cstring>
#include <utility>

#include "cli/terminal_text.h"
#include "support/drive_map.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>

#include <cerrno>
#endif

namespace voltrak::cli {
namespace {

// A load shorter than this finishes before a bar would help.
constexpr std::chrono::milliseconds kShowAfter(300);
constexpr size_t kBarWidth = 30;

// The box captions of a load that the front end words a line of its own for.
constexpr std::string_view kPlaylistNotOpened = kCannotOpenCaption;
constexpr std::string_view kTrackNotOpened = "Could not open file!";

#ifndef _WIN32
// The errno whose text says what a Win32 code from the POSIX layer says, or 0.
int ErrnoOf(uint32_t code) {
  switch (code) {
    case kErrorFileNotFound: case kErrorPathNotFound: return ENOENT;
    case kErrorTooManyOpenFiles: return EMFILE;
    case kErrorAccessDenied: return EACCES;
    case kErrorNotEnoughMemory: return ENOMEM;
    case kErrorReadFault: return EIO;
    case kErrorInvalidName: case kErrorInvalidParameter: return EINVAL;
    case kErrorDiskFull: return ENOSPC;
    case kErrorFileExists: case kErrorAlreadyExists: return EEXIST;
    case kErrorDirNotEmpty: return ENOTEMPTY;
    case kErrorFilenameTooLong: return ENAMETOOLONG;
    default: return 0;
  }
}
#endif

}  // namespace

std::string GnuMessage(std::string_view file, std::string_view text) {
  std::string line = "voltrak-cli: ";
  if (!file.empty()) {
    line += TerminalText(file);
    line += ": ";
  }
  line += text;
  return line;
}

std::string AsClause(std::string_view text) {
  while (!text.empty() && (text.back() == '!' || text.back() == '.')) text.remove_suffix(1);
  std::string clause(text);
  // "No track name found" loses its capital; "ID3" or "CD" would keep theirs.
  if (clause.size() >= 2 && clause[0] >= 'A' && clause[0] <= 'Z' && clause[1] >= 'a' &&
      clause[1] <= 'z') {
    clause[0] = static_cast<char>(clause[0] - 'A' + 'a');
  }
  return clause;
}

std::string UserNameOf(std::string_view windowsPath) {
#ifdef _WIN32
  return std::string(windowsPath);
#else
  return ToPosixPath(windowsPath).value_or(std::string(windowsPath));
#endif
}

std::string FailureReason(uint32_t code, std::string_view windowsPath) {
  // Both systems refuse a folder opened as a file as they refuse a file
  // they may not read; the user should hear which it was.
  bool folder = false;
#ifdef _WIN32
  if (code == kErrorAccessDenied) {
    DWORD attributes = GetFileAttributesA(std::string(windowsPath).c_str());
    folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  if (folder) return "Is a folder";
#else
  struct stat info;
  std::string posix = UserNameOf(windowsPath);
  folder = code == kErrorAccessDenied && stat(posix.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  if (folder) return std::strerror(EISDIR);
  if (int error = ErrnoOf(code)) return std::strerror(error);
#endif
  std::string text = SystemErrorText(code);
  if (!text.empty() && text.back() == '.') text.pop_back();  // a clause within a line
  return text.empty() ? "system error " + std::to_string(code) : text;
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

CliLoadHost::CliLoadHost(std::FILE* messages, Progress progress, std::string playlistName)
    : messages_(messages), progress_(progress), playlistName_(std::move(playlistName)) {}

CliLoadHost::~CliLoadHost() { EndProgress(); }

void CliLoadHost::SetTitle(std::string_view title) { label_ = TerminalText(title); }

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
  PrintLine(messages_, line);
  if (redraw) {
    drawnPercent_ = UINT32_MAX;
    Draw();
  }
}

int CliLoadHost::ShowMessage(std::string_view text, std::string_view caption, uint32_t style,
                             bool) {
  if (caption == kPlaylistNotOpened) {
    unopenedPlaylist_ = text;  // said once, with the reason the system error brings
    return kAnswerOk;
  }
  if (caption == kTrackNotOpened) {
    Print(GnuMessage(UserNameOf(text),
                     "cannot open the track file: " + FailureReason(trackError_, text)));
    return kAnswerOk;
  }
  if ((style & 0xF) == kBoxYesNo) {
    // No one is there to say yes; leave things as they are.
    Print(GnuMessage(playlistName_, AsClause(text) + ": answered no"));
    return kAnswerNo;
  }
  Print(GnuMessage(playlistName_, AsClause(text)));
  return kAnswerOk;
}

void CliLoadHost::ReportSystemError(uint32_t code, unsigned, const char*) {
  // Where in the source the code was reported is for the window's box only.
  // A read fault comes from a file that opened and then could not be read.
  const char* what = code == kErrorReadFault ? "cannot read the playlist: "
                                             : "cannot open the playlist: ";
  Print(GnuMessage(playlistName_, what + FailureReason(code, unopenedPlaylist_)));
}

bool CliLoadHost::OfferRewrite(std::string_view caption) {
  if (rewrite_) {
    const char* what = dryRun_ ? "; the playlist file would be rewritten"
                               : "; rewriting the playlist file";
    Print(GnuMessage(playlistName_, AsClause(caption) + what));
    return rewrite_();
  }
  // Without --rewrite the changed list stays in memory only.
  Print(GnuMessage(playlistName_, AsClause(caption) + "; the playlist file is left as it was"));
  return false;
}

DuplicateAnswer CliLoadHost::AskAboutDuplicate(const EntryRef& first, const EntryRef& second) {
  if (answers_ == nullptr) return DuplicateAnswer::kKeepBoth;
  EndProgress();
  DuplicateAnswer answer = AskOnTerminal(answers_, messages_, first, second);
  drawnPercent_ = UINT32_MAX;
  return answer;
}

DuplicateAnswer AskOnTerminal(std::FILE* in, std::FILE* out, const EntryRef& first,
                              const EntryRef& second) {
  int panel = 0;
  for (const EntryRef* entry : {&first, &second}) {
    DuplicatePanelTexts texts = DuplicatePanelTextsOf(*entry);
    std::fprintf(out, "Duplicate %d\n", ++panel);
    const std::pair<const char*, const std::string*> rows[] = {
        {"File Name", &texts.FileName},   {"Play Length", &texts.PlayLength},
        {"File Size", &texts.FileSize},   {"Playlist Entry", &texts.Entry},
        {"Extended Information", &texts.ExtendedInformation},
        {"Title", &texts.Title},          {"Artist", &texts.Artist},
        {"Album", &texts.Album},          {"Comment", &texts.Comment},
    };
    for (const auto& [label, text] : rows) {
      std::fprintf(out, "  %-21s %s\n", label, TerminalText(*text).c_str());
    }
  }
  for (;;) {
    std::fprintf(out, "Remove duplicate 1 or 2, keep both (b) or stop checking (s)? ");
    std::fflush(out);
    char line[64];
    if (std::fgets(line, sizeof line, in) == nullptr) {
      std::fprintf(out, "\n");
      return DuplicateAnswer::kStopChecking;
    }
    switch (line[0] | 0x20) {
      case '1': return DuplicateAnswer::kRemoveFirst;
      case '2': return DuplicateAnswer::kRemoveSecond;
      case 'b': return DuplicateAnswer::kKeepBoth;
      case 's': return DuplicateAnswer::kStopChecking;
    }
  }
}

int CliRewriteHost::ShowMessage(std::string_view text, std::string_view caption, uint32_t) {
  const std::string& name = lines_.PlaylistName();
  if (caption == kPlaylistNotOpened) {
    lines_.Print(GnuMessage(UserNameOf(text), "cannot write the new playlist; the old one is kept"));
  } else if (caption == "Renaming old play list.") {
    // Said once the new list is in place, as the box is.
    if (!dryRun_) {
      lines_.Print(GnuMessage(name, "the old playlist is kept as " + TerminalText(UserNameOf(text))));
    }
  } else {
    lines_.Print(GnuMessage(name, AsClause(text)));
  }
  return kAnswerOk;
}

}  // namespace voltrak::cli
