#include "cli/cli_outputs.h"

#include "cli/cli_host.h"
#include "cli/terminal_text.h"
#include "outputs/cue_label.h"
#include "outputs/html_report.h"
#include "outputs/split_lists.h"
#include "outputs/track_copy.h"
#include "resources/resource.h"
#include "support/clock.h"
#include "support/drive_map.h"
#include "support/file_system.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>
#endif

namespace voltrak::cli {
namespace {

// What the outputs meet, as lines on standard error.
class CliOutputHost : public OutputHost {
 public:
  explicit CliOutputHost(std::FILE* messages) : messages_(messages) {}
  void CannotWrite(std::string_view path, uint32_t error) override {
    Print(GnuMessage(UserNameOf(path), "cannot write the file: " + FailureReason(error, path)));
  }
  void NoTrackName() override { Print(GnuMessage({}, AsClause(kNoTrackNameText))); }
  void WouldReplacePlaylist(std::string_view path) override {
    Print(GnuMessage(UserNameOf(path), "not written: it is the playlist itself"));
  }

 private:
  void Print(const std::string& line) { PrintLine(messages_, line); }

  std::FILE* messages_;
};

// The copy as lines on standard error, with a bar when asked for.
class CliCopyHost : public CopyHost {
 public:
  CliCopyHost(std::FILE* messages, uint32_t total, bool progress, FileLines* lines)
      : messages_(messages), total_(total), progress_(progress), lines_(lines) {}
  ~CliCopyHost() override { EndBar(); }

  void NextTrack(uint32_t index) override {
    if (!progress_) return;
    std::fprintf(messages_, "\r%s", ProgressLine("Copying", index + 1, total_, 30).c_str());
    std::fflush(messages_);
    shown_ = true;
  }
  void Failed(CopyFailure what, std::string_view path, uint32_t error) override {
    EndBar();
    const char* doing = what == CopyFailure::kOpenSource ? "cannot open the track file"
                        : what == CopyFailure::kRead     ? "cannot read the track file"
                        : what == CopyFailure::kNoBuffer ? "no memory to copy the track file"
                                                         : "cannot write the copy";
    const std::string why = what == CopyFailure::kIsRead
                                ? "it is a track of the list or the playlist, left as it is"
                                : FailureReason(error, path);
    PrintLine(messages_, GnuMessage(UserNameOf(path), std::string(doing) + ": " + why));
  }
  void Copied(std::string_view source, std::string_view destination) override {
    if (lines_ == nullptr) return;
    EndBar();
    lines_->Copied(source, destination);
  }

 private:
  void EndBar() {
    if (!shown_) return;
    std::fprintf(messages_, "\n");
    shown_ = false;
  }

  std::FILE* messages_;
  uint32_t total_;
  bool progress_;
  FileLines* lines_;
  bool shown_ = false;
};

// The bytes free for this user on the file system that holds `folder`, or
// nothing when the system will not say. A folder not made yet counts as
// the nearest one above it that exists.
std::optional<uint64_t> FreeBytes(std::string_view folder) {
  std::string path(folder);
  for (;;) {
#ifdef _WIN32
    ULARGE_INTEGER available;
    if (GetDiskFreeSpaceExA(path.c_str(), &available, nullptr, nullptr)) {
      return available.QuadPart;
    }
#else
    std::optional<std::string> posix = ToPosixPath(path);
    struct statvfs info;
    if (posix && statvfs(posix->c_str(), &info) == 0) {
      return uint64_t{info.f_bavail} * info.f_frsize;
    }
#endif
    while (!path.empty() && path.back() == '\\') path.pop_back();
    size_t up = path.rfind('\\');
    if (up == std::string::npos) return std::nullopt;
    path.resize(up + 1);
  }
}

// Whether `folder` is a folder now; if not, why not, in the system's words.
std::optional<std::string> NotAFolder(std::string_view folder) {
#ifdef _WIN32
  DWORD attributes = GetFileAttributesA(std::string(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailureReason(GetLastError(), folder);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::string("Not a directory");
#else
  struct stat info;
  if (stat(UserNameOf(folder).c_str(), &info) != 0) return std::string(std::strerror(errno));
  if (!S_ISDIR(info.st_mode)) return std::string(std::strerror(ENOTDIR));
#endif
  return std::nullopt;
}

// The copy folder and every folder above it that is missing, as mkdir -p
// makes them.
void MakeFolders(FileSystem& files, std::string_view folder) {
  for (size_t at = folder.find_first_of("\\/", 3); at != std::string_view::npos;
       at = folder.find_first_of("\\/", at + 1)) {
    files.CreateFolder(folder.substr(0, at));
  }
  files.CreateFolder(folder);
}

// --copy: the tracks into the folder, made first, after a look at its free
// space. A folder that cannot be had is said once, and nothing is copied.
bool CopyTheTracks(const OutputRequest& request, const Playlist& playlist,
                   std::string_view playlistPath, std::string_view copyFolder, bool progress,
                   std::FILE* messages, FileLines* lines) {
  FileSystem& files = lines ? *lines : SystemFileSystem();
  const std::string folder = CopyFolder(std::string(copyFolder), playlistPath);
  const std::string shown = UserNameOf(folder);
  std::string_view bare(folder);
  while (bare.size() > 3 && IsSeparator(bare.back())) bare.remove_suffix(1);
  MakeFolders(files, bare);
  const bool wouldBeMade = lines && lines->DryRun() && lines->Made(bare);
  if (std::optional<std::string> why = wouldBeMade ? std::nullopt : NotAFolder(bare)) {
    PrintLine(messages, GnuMessage(UserNameOf(bare), "cannot copy the tracks: " + *why));
    return false;
  }
  if (!request.Force) {
    uint64_t needed = BytesToCopy(playlist, playlistPath, files);
    std::optional<uint64_t> free = FreeBytes(folder);
    if (free && needed > *free) {
      PrintLine(messages, GnuMessage(shown, "not enough free space: the tracks take " +
                                                std::to_string(needed) + " bytes, " +
                                                std::to_string(*free) +
                                                " are free (--force copies anyway)"));
      return false;
    }
  }
  // Each copy is said with its source, by the host, rather than as a file written.
  if (lines) lines->SayWrites(false);
  CliCopyHost host(messages, playlist.TrackCount(), progress && !(lines && lines->DryRun()),
                   lines);
  const CopyLayout layout = request.PerVolume ? CopyLayout::kPerVolume : CopyLayout::kOneFolder;
  const bool copied =
      CopyTracks(playlist, request.Copy, playlistPath, folder, files, host, layout).Failures == 0;
  if (lines) lines->SayWrites(true);
  return copied;
}

}  // namespace

std::optional<std::string> ChooseListings(std::string_view names, OptionFlags& flags) {
  for (const ReportListing& listing : kReportListings) flags.*listing.Switch = 0;
  while (!names.empty()) {
    size_t comma = names.find(',');
    std::string_view name = names.substr(0, comma);
    names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
    const ReportListing* found = nullptr;
    for (const ReportListing& listing : kReportListings) {
      if (name == listing.Name) found = &listing;
    }
    if (found == nullptr) return std::string(name);
    flags.*found->Switch = 1;
  }
  return std::nullopt;
}

bool WriteOutputs(const OutputRequest& request, Playlist& playlist,
                  const PlanningSettings& planning, std::string_view playlistPath,
                  std::string_view copyFolder, bool progress, std::FILE* messages,
                  FileLines* lines) {
  CliOutputHost host(messages);
  OutputTarget target{playlistPath, lines ? *lines : SystemFileSystem(), host};
  const bool perVolume = request.PerVolume;
  uint32_t failures = 0;
  if (request.Split) failures += WriteSplitLists(playlist, target).Failures;
  if (request.Html) {
    ReportSettings settings{planning, request.Listings, MAKER_WEB_ADDRESS};
    failures += WriteHtmlReport(playlist, settings, SystemClock(), target).Failures;
  }
  if (request.Cue) {
    failures += (perVolume ? WriteVolumeCueSheets(playlist, target)
                           : WriteCueSheet(playlist, target)).Failures;
  }
  if (request.Label) {
    failures += (perVolume ? WriteVolumeLabels(playlist, target)
                           : WriteLabelFile(playlist, target)).Failures;
  }
  if (request.CopyTo && playlist.TrackCount() != 0 &&
      !CopyTheTracks(request, playlist, playlistPath, copyFolder, progress, messages, lines)) {
    ++failures;
  }
  return failures == 0;
}

}  // namespace voltrak::cli
