#include "cli/cli_run.h"

#include "cli/cli_host.h"
#include "cli/cli_options.h"
#include "cli/cli_outputs.h"
#include "cli/cli_output.h"
#include "cli/file_lines.h"
#include "cli/plan_check.h"
#include "cli/terminal_text.h"
#include "playlist/playlist_rewrite.h"
#include "playlist/track_read_ahead.h"
#include "support/clock.h"
#include "support/drive_map.h"
#include "support/file_system.h"
#include "support/whole_path.h"

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#ifndef VOLTRAK_VERSION
#define VOLTRAK_VERSION "unknown"
#endif

namespace voltrak::cli {
namespace {

#ifndef _WIN32
bool HasDriveLetter(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

std::string AbsolutePosixPath(std::string_view path) {
  if (!path.empty() && path[0] == '/') return NormalizePosixPath(path);
  return NormalizePosixPath(CurrentFolder() + "/" + std::string(path));
}
#endif

// The playlist named "-": its text comes from standard input, and its name
// is one in the current folder, so that its entries are found from there.
constexpr std::string_view kStandardInput = "-";

// A text held in memory, read as a file.
class TextInput : public InputFile {
 public:
  explicit TextInput(std::string text) : text_(std::move(text)) {}
  uint64_t Size() const override { return text_.size(); }
  uint32_t Read(char* buffer, size_t capacity, size_t* got) override {
    *got = text_.copy(buffer, capacity, done_);
    done_ += *got;
    return kErrorSuccess;
  }

 private:
  std::string text_;
  size_t done_ = 0;
};

// The system's file system with the text read from standard input standing
// as the playlist file, once.
class StandardInputFiles : public FileSystem {
 public:
  StandardInputFiles(std::string path, std::string text)
      : path_(std::move(path)), text_(std::move(text)) {}

  uint32_t ReadTail(std::string_view path, uint64_t* size, unsigned char* tail, size_t tailSize,
                    size_t* tailRead) override {
    return files_.ReadTail(path, size, tail, tailSize, tailRead);
  }
  std::unique_ptr<InputFile> Open(std::string_view path, uint32_t* error) override {
    if (taken_ || path != path_) return files_.Open(path, error);
    taken_ = true;
    *error = kErrorSuccess;
    return std::make_unique<TextInput>(std::move(text_));
  }
  std::unique_ptr<OutputFile> CreateNew(std::string_view path, uint32_t* error) override {
    return files_.CreateNew(path, error);
  }
  uint32_t Rename(std::string_view from, std::string_view to) override {
    return files_.Rename(from, to);
  }
  uint32_t Replace(std::string_view from, std::string_view to) override {
    return files_.Replace(from, to);
  }
  uint32_t Identify(std::string_view path, FileIdentity* identity) override {
    return files_.Identify(path, identity);
  }
  uint32_t Delete(std::string_view path) override { return files_.Delete(path); }
  uint32_t CreateFolder(std::string_view path) override { return files_.CreateFolder(path); }
  uint32_t GetTimes(std::string_view path, FileTimes* times) override {
    return files_.GetTimes(path, times);
  }
  uint32_t SetTimes(std::string_view path, const FileTimes& times) override {
    return files_.SetTimes(path, times);
  }
  void BeginReadBatch(std::string_view nearFolder) override {
    files_.BeginReadBatch(nearFolder);
  }
  void EndReadBatch() override { files_.EndReadBatch(); }

 private:
  FileSystem& files_ = SystemFileSystem();
  std::string path_;
  std::string text_;
  bool taken_ = false;
};

// Reads standard input to its end, as bytes. False, with errno set, when a
// read failed.
bool ReadStandardInput(std::string* text) {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);  // the parser takes CR LF itself
#endif
  char buffer[1 << 16];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) text->append(buffer, got);
  return !std::ferror(stdin);
}

// One message line on standard error.
void Say(std::FILE* err, std::string_view file, const std::string& text) {
  PrintLine(err, GnuMessage(file, text));
}

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

}  // namespace

std::string NormalizePosixPath(std::string_view absolutePath) {
  return ResolveBelow("/", absolutePath, "/", '/', false);  // above the root is the root
}

std::string PlaylistPathFor(std::string_view given) {
#ifdef _WIN32
  return WholePath(given);
#else
  if (HasDriveLetter(given)) {
    std::string windows(given);
    for (char& c : windows) {
      if (c == '/') c = '\\';
    }
    return WholePath(windows);
  }
  return ToWindowsPath(AbsolutePosixPath(given));
#endif
}

namespace {

// A usage error: the message, each of its lines (the media to choose from)
// kept, and where to read more.
int UsageError(std::FILE* err, std::string_view message) {
  for (std::string prefix = "voltrak-cli: ";; prefix.clear()) {
    const size_t end = message.find('\n');
    PrintLine(err, prefix + std::string(message.substr(0, end)));
    if (end == std::string_view::npos) break;
    message.remove_prefix(end + 1);
  }
  std::fprintf(err, "Try 'voltrak-cli --help' for more information.\n");
  return kExitUsage;
}

// Options that each parse but cannot go together, or not with this input;
// empty when all may run. The playlist on standard input has no name of
// its own for the files written beside it, unless --name gives one; nor can
// the same input answer questions.
std::string RefusedCombination(const CliOptions& options, bool piped) {
  const OutputRequest& wanted = options.Outputs;
  const char* unnamed = options.Rewrite  ? "--rewrite"
                        : wanted.Split   ? "--split"
                        : wanted.Html    ? "--html"
                        : wanted.Cue     ? "--cue"
                        : wanted.Label   ? "--label"
                                         : nullptr;
  if (options.Name && !piped) return "--name names a playlist read from standard input only";
  if (wanted.PerVolume && !wanted.CopyTo && !wanted.Cue && !wanted.Label) {
    return "--per-volume works on --copy, --cue and --label: give one of them";
  }
  if (piped && !options.Name && unnamed) {
    return std::string(unnamed) +
           " writes beside the playlist: give a playlist on standard input a name with "
           "--name=PATH";
  }
  if (options.DuplicateMode != kQueryDuplicates) return {};
  if (piped) return "--duplicates=query cannot be used with a playlist on standard input";
  if (!IsTerminal(stdin)) return "--duplicates=query needs a terminal to ask on";
  return {};
}

LoadSettings LoadSettingsFor(const CliOptions& options) {
  LoadSettings settings;
  // A list read from standard input goes by --name, or by a name in the
  // current folder, so that its entries are found from there.
  settings.CurrentPlaylistPath = PlaylistPathFor(options.Name.value_or(options.Playlist));
  settings.PathMode = options.PathMode;
  settings.WarnLoadErrors = options.WarnLoadErrors;
  settings.DuplicateMode = options.DuplicateMode;
  settings.MeasureUntimed = options.MeasureUntimed;
  settings.ReadId3v2 = options.ReadId3v2;
  settings.ReadThreads = ReadThreadsToUse();
  return settings;
}

CliLoadHost::Progress ProgressFor(const CliOptions& options, std::FILE* err) {
  if (options.Progress == ProgressChoice::kOn) return CliLoadHost::Progress::kAlways;
  if (options.Progress == ProgressChoice::kAuto && IsTerminal(err)) {
    return CliLoadHost::Progress::kWhenSlow;
  }
  return CliLoadHost::Progress::kNever;
}

// The plan, list, text or JSON on standard output. On a terminal the whole
// output is shown as a person reads it (see TerminalLines); anywhere else
// it is the bytes, streamed. False when it could not be written.
bool ShowResult(std::FILE* out, std::FILE* err, const CliOptions& options, const PlanTexts& texts,
                const Playlist& playlist, const PlanningSettings& planning,
                const PlanCheck& check, const LoadOutcome& loaded,
                const std::string& playlistPath) {
  const bool terminal = IsTerminal(out);
  OutputBuffer output(terminal ? nullptr : out);
  switch (options.Output) {
    case OutputForm::kPlan: WritePlan(output, texts, playlist); break;
    case OutputForm::kList: WriteTrackList(output, playlist); break;
    case OutputForm::kText:
      output.Append(ListText(options.TextShape, playlist, playlistPath));
      break;
    case OutputForm::kJson:
      WriteJson(output, texts, playlist, planning, options.MediumRow, check,
                loaded.PendingMessage, loaded.RewriteTookOver);
      break;
  }
  std::optional<OutputBuffer> shown;
  if (terminal) shown.emplace(out).Append(TerminalLines(output.Text()));
  OutputBuffer& written = shown ? *shown : output;
  if (written.Finish()) return true;
  Say(err, "standard output", std::string("cannot write: ") + std::strerror(written.Error()));
  return false;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
           Playlist& playlist) {
#ifdef _WIN32
  constexpr bool kDrivesAllowed = false;
#else
  constexpr bool kDrivesAllowed = true;
#endif
  CommandLine command = ParseCommandLine(args, kDrivesAllowed);
  if (command.Action == CliAction::kUsageError) return UsageError(err, command.Error);
  if (command.Action == CliAction::kHelp || command.Action == CliAction::kVersion) {
    OutputBuffer text(out);
    text.Append(command.Action == CliAction::kHelp ? UsageText()
                                                   : "voltrak-cli " VOLTRAK_VERSION "\n");
    return text.Finish() ? kExitDone : kExitOutputFailed;
  }
  const CliOptions& options = command.Options;
  const bool piped = options.Playlist == kStandardInput;
  std::string refused = RefusedCombination(options, piped);
  // The settings do not depend on the list: a capacity the window would
  // wrap is refused before anything is read.
  PlanningSettings planning = PlanningSettingsFor(options, &refused);
  if (!refused.empty()) return UsageError(err, refused);

#ifndef _WIN32
  for (const DriveMapping& drive : options.Drives) {
    MapDrive(drive.Letter, AbsolutePosixPath(drive.Folder));
  }
#endif

  LoadSettings settings = LoadSettingsFor(options);

  std::string text;
  if (piped && !ReadStandardInput(&text)) {
    Say(err, options.Playlist, std::string("cannot read the playlist: ") + std::strerror(errno));
    return kExitPlaylistNotOpened;
  }
  StandardInputFiles files(settings.CurrentPlaylistPath, std::move(text));

  const CliLoadHost::Progress progress = ProgressFor(options, err);
  CliLoadHost host(err, progress, options.Name.value_or(options.Playlist));
  if (options.DuplicateMode == kQueryDuplicates) host.AskOn(stdin);
  FileSystem& source = piped ? files : SystemFileSystem();
  // The lines of --verbose and --dry-run follow the plan, out of the way of
  // a document on standard output.
  std::optional<FileLines> lines;
  if (options.DryRun || options.Verbose) {
    const bool document = options.Output == OutputForm::kJson || options.Output == OutputForm::kText;
    lines.emplace(source, document ? err : out, options.DryRun);
  }
  FileSystem& writes = lines ? *lines : source;
  bool rewriteFailed = false;
  if (options.Rewrite) {
    host.RewriteWith(
        [&] {
          // A dry run keeps the list it has, as the file it would load again
          // is unchanged; the load goes on as if no rewrite had been asked.
          CliRewriteHost rewriteHost(
              host, [&] { if (!options.DryRun) LoadPlaylist(settings, playlist, source, host); },
              options.DryRun);
          bool written = RewritePlaylist(settings.CurrentPlaylistPath, playlist, writes,
                                         SystemClock(), rewriteHost)
                             .Written;
          rewriteFailed = !written;
          return written && !options.DryRun;
        },
        options.DryRun);
  }
  LoadOutcome loaded = LoadPlaylist(settings, playlist, source, host);
  host.EndProgress();
  if (!loaded.Opened) return kExitPlaylistNotOpened;
  if (loaded.MemoryFailure) {
    // The window shows the empty list; a script must not take it for the plan.
    Say(err, options.Playlist,
        "cannot load the playlist: " +
            FailureReason(kErrorNotEnoughMemory, settings.CurrentPlaylistPath));
    return kExitPlaylistNotOpened;
  }
  if (loaded.Entries == 0) {
    Say(err, options.Playlist, "the playlist has no entries");
  }

  PlanTexts texts = PlanVolumes(planning, playlist, settings.CurrentPlaylistPath);
  const PlanCheck check =
      CheckPlan(options, planning, playlist, settings.CurrentPlaylistPath, source);
  if (!ShowResult(out, err, options, texts, playlist, planning, check, loaded,
                  settings.CurrentPlaylistPath)) {
    return kExitOutputFailed;
  }
  for (const Warning& warning : check.Warnings) {
    if (!options.Quiet && !warning.Said) PrintLine(err, GnuMessage({}, "warning: " + warning.Text));
  }
  if (options.Strict && !check.Warnings.empty()) {
    return rewriteFailed ? kExitOutputFailed : kExitStrict;  // a file that failed says more
  }
  // Every output asked for is made, whatever failed before it.
  std::string copyFolder = options.Outputs.CopyTo ? PlaylistPathFor(*options.Outputs.CopyTo) : "";
  bool written = WriteOutputs(options.Outputs, playlist, planning,
                              settings.CurrentPlaylistPath, copyFolder,
                              progress != CliLoadHost::Progress::kNever, err,
                              lines ? &*lines : nullptr);
  return written && !rewriteFailed ? kExitDone : kExitOutputFailed;
}

}  // namespace voltrak::cli
