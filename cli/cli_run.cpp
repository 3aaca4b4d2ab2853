#include "cli/cli_run.h"

#include "cli/cli_host.h"
#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "support/drive_map.h"
#include "support/file_system.h"
#include "support/whole_path.h"

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <unistd.h>
#endif

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

std::string CurrentFolder() {
  std::string buffer(4096, '\0');
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return "/";
  buffer.resize(buffer.find('\0'));
  return buffer;
}

std::string AbsolutePosixPath(std::string_view path) {
  if (!path.empty() && path[0] == '/') return NormalizePosixPath(path);
  return NormalizePosixPath(CurrentFolder() + "/" + std::string(path));
}
#endif

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

int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
#ifdef _WIN32
  constexpr bool kDrivesAllowed = false;
#else
  constexpr bool kDrivesAllowed = true;
#endif
  CommandLine command = ParseCommandLine(args, kDrivesAllowed);
  if (command.Action == CliAction::kUsageError) {
    std::fprintf(err, "voltrak-cli: %s\nTry 'voltrak-cli --help' for more information.\n",
                 command.Error.c_str());
    return kExitUsage;
  }
  if (command.Action == CliAction::kHelp || command.Action == CliAction::kVersion) {
    OutputBuffer text(out);
    text.Append(command.Action == CliAction::kHelp ? UsageText()
                                                   : "voltrak-cli " VOLTRAK_VERSION "\n");
    return text.Finish() ? kExitDone : kExitOutputFailed;
  }
  const CliOptions& options = command.Options;

#ifndef _WIN32
  for (const DriveMapping& drive : options.Drives) {
    MapDrive(drive.Letter, AbsolutePosixPath(drive.Folder));
  }
#endif

  LoadSettings settings;
  settings.CurrentPlaylistPath = PlaylistPathFor(options.Playlist);
  settings.PathMode = options.PathMode;
  settings.WarnLoadErrors = options.WarnLoadErrors;

  CliLoadHost::Progress progress = CliLoadHost::Progress::kNever;
  if (options.Progress == ProgressChoice::kOn) {
    progress = CliLoadHost::Progress::kAlways;
  } else if (options.Progress == ProgressChoice::kAuto && IsTerminal(err)) {
    progress = CliLoadHost::Progress::kWhenSlow;
  }
  CliLoadHost host(err, progress);
  Playlist playlist;
  LoadOutcome loaded = LoadPlaylist(settings, playlist, SystemFileSystem(), host);
  host.EndProgress();
  if (!loaded.Opened) return kExitPlaylistNotOpened;

  PlanTexts texts = PlanVolumes(PlanningSettingsFor(options), playlist,
                                settings.CurrentPlaylistPath);
  OutputBuffer output(out);
  switch (options.Output) {
    case OutputForm::kPlan: WritePlan(output, texts, playlist); break;
    case OutputForm::kList: WriteTrackList(output, playlist); break;
    case OutputForm::kJson: WriteJson(output, texts, playlist); break;
  }
  if (!output.Finish()) {
    std::fprintf(err, "voltrak-cli: could not write the output\n");
    return kExitOutputFailed;
  }
  return kExitDone;
}

}  // namespace voltrak::cli
