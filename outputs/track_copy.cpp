#include "outputs/track_copy.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "outputs/output_file.h"
#include "playlist/playlist_loader.h"
#include "support/replacement_file.h"

namespace voltrak {
namespace {

// Large enough that the calls cost little next to the bytes they move,
// small enough that memory stays flat whatever the file sizes.
constexpr size_t kPieceSize = 1 << 20;

// What Windows refuses in a file name: these, and the control characters.
bool Refused(char c) {
  return static_cast<unsigned char>(c) < 0x20 ||
         std::string_view(":*<>\"?/\\|").find(c) != std::string_view::npos;
}

// Appends `text` less what Windows refuses in a file name. A file name
// from the list is no safer than a track name: "C:a.mp3" or "x/../a.mp3"
// would name a stream or a place outside the folder.
void AppendAllowed(std::string& name, std::string_view text, bool keepFullStops) {
  for (char c : text) {
    if (!Refused(c) && (keepFullStops || c != '.')) name += c;
  }
}

}  // namespace

std::string CopyFolder(const std::optional<std::string>& chosen, std::string_view playlistPath) {
  if (chosen) return CopyDestination(*chosen, {});
  std::string_view extension = ExtensionPart(playlistPath);
  if (extension.empty()) return std::string(playlistPath) + "-tracks";
  return std::string(playlistPath.substr(0, playlistPath.size() - extension.size()));
}

std::string_view StripTrackNumber(std::string_view fileName) {
  size_t start = fileName.find_first_not_of(" 0123456789");
  if (start == std::string_view::npos) return fileName;
  if (fileName[start] == '-') start = fileName.find_first_not_of("- ", start);
  return start == std::string_view::npos ? fileName : fileName.substr(start);
}

std::string CopyName(const MP3Information& record, uint32_t index, const OptionFlags& options) {
  char number[16];
  std::snprintf(number, sizeof number, "%03u-", index + 1);
  std::string name = number;
  std::optional<std::string_view> trackName = record.TrackName();
  if (options.CopyNameByInfo && trackName) {
    // The track name loses its full stops too: only the extension has one.
    AppendAllowed(name, *trackName, false);
    AppendAllowed(name, ExtensionPart(PathText(record)), true);
    return name;
  }
  std::string_view fileName = FileNamePart(PathText(record));
  AppendAllowed(name, options.CopyStripNumbers ? StripTrackNumber(fileName) : fileName, true);
  return name;
}

std::string CopyDestination(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || !IsSeparator(path.back())) path += '\\';
  path += name;
  return path;
}

std::string VolumeFolderName(uint32_t volume, uint32_t volumes) {
  const int width = static_cast<int>(std::max<size_t>(2, std::to_string(volumes).size()));
  char name[32];
  std::snprintf(name, sizeof name, "Volume %0*u", width, volume + 1);
  return name;
}

void ReadFiles::Seal() {
  auto less = [](const FileIdentity& a, const FileIdentity& b) {
    return a.Volume != b.Volume ? a.Volume < b.Volume : a.Index < b.Index;
  };
  std::sort(identities_.begin(), identities_.end(), less);
  identities_.erase(std::unique(identities_.begin(), identities_.end()), identities_.end());
}

bool ReadFiles::MayHold(const FileIdentity& identity) const {
  if (unknown_) return true;
  auto less = [](const FileIdentity& a, const FileIdentity& b) {
    return a.Volume != b.Volume ? a.Volume < b.Volume : a.Index < b.Index;
  };
  return std::binary_search(identities_.begin(), identities_.end(), identity, less);
}

CopyOutcome CopyFileKeepTimes(FileSystem& files, CopyHost& host, std::string_view source,
                              std::string_view destination, const ReadFiles* reads) {
  uint32_t error = 0;
  std::unique_ptr<InputFile> input = files.Open(source, &error);
  if (!input) {
    host.Failed(CopyFailure::kOpenSource, source, error ? error : kErrorFileNotFound);
    return CopyOutcome::kFailed;
  }
  // The destination under another spelling, a link or a folder that is the
  // source's own: nothing to copy, and nothing to lose.
  const std::optional<FileIdentity> from = input->Identity();
  std::optional<FileIdentity> to;
  // When the system cannot tell what the destination is, nothing is risked.
  if (uint32_t unknown = IdentifyIfThere(files, destination, &to); unknown != kErrorSuccess) {
    host.Failed(CopyFailure::kCreate, destination, unknown);
    return CopyOutcome::kFailed;
  }
  if (to) {
    if (from && *from == *to) return CopyOutcome::kSame;
    if (reads != nullptr && reads->MayHold(*to)) {
      host.Failed(CopyFailure::kIsRead, destination, kErrorAccessDenied);
      return CopyOutcome::kFailed;
    }
  }
  FileTimes times;
  const bool timesRead = files.GetTimes(source, &times) == 0;
  const uint64_t size = input->Size();
  if (size == 0) return CopyOutcome::kEmpty;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kPieceSize]);
  if (!buffer) {
    host.Failed(CopyFailure::kNoBuffer, source, kErrorNotEnoughMemory);
    return CopyOutcome::kFailed;
  }
  ReplacementFile output(files, std::string(destination));
  if (output.Error() != kErrorSuccess) {
    host.Failed(CopyFailure::kCreate, destination, output.Error());
    return CopyOutcome::kFailed;
  }

  uint64_t copied = 0;
  uint32_t readError = 0;
  for (;;) {
    size_t got = 0;
    readError = input->Read(buffer.get(), kPieceSize, &got);
    if (readError != 0 || got == 0) break;
    if (!output.Write(std::string_view(buffer.get(), got))) break;
    copied += got;
    host.Pending();
  }
  input.reset();
  const uint32_t writeError = output.Close();
  // A source that ends before the size it had when opened was cut short on
  // the way; a copy of it would pass for whole.
  if (writeError == 0 && readError == 0 && copied < size) readError = kErrorReadFault;
  if (writeError != 0 || readError != 0) {
    output.Abandon();
    if (writeError != 0) {
      host.Failed(CopyFailure::kWrite, destination, writeError);
    } else {
      host.Failed(CopyFailure::kRead, source, readError);
    }
    return CopyOutcome::kFailed;
  }
  // The copy is whole; a volume that keeps fewer times is no reason to fail it.
  if (timesRead) files.SetTimes(output.Scratch(), times);
  if (uint32_t placed = output.Commit(); placed != kErrorSuccess) {
    host.Failed(CopyFailure::kCreate, destination, placed);
    return CopyOutcome::kFailed;
  }
  return CopyOutcome::kCopied;
}

CopyResult CopyTracks(const Playlist& playlist, const OptionFlags& options,
                      std::string_view playlistPath, std::string_view folder, FileSystem& files,
                      CopyHost& host, CopyLayout layout) {
  CopyResult result;
  std::string made(folder);
  // One level; a folder that is there already, or cannot be made, shows in the copies.
  if (made.size() > 3 && IsSeparator(made.back())) made.pop_back();
  files.CreateFolder(made);
  // Per volume, each run of the list goes into its own folder, made first;
  // else the whole list is one run in the folder itself.
  const uint32_t volumes = VolumeCount(playlist);
  const bool perVolume = layout == CopyLayout::kPerVolume;
  const std::vector<VolumeRun> runs =
      perVolume ? VolumeRuns(playlist) : std::vector<VolumeRun>{{0, 0, playlist.Tracks.size()}};
  std::vector<std::string> runFolders;
  for (const VolumeRun& run : runs) {
    runFolders.push_back(perVolume ? CopyDestination(folder, VolumeFolderName(run.Volume, volumes))
                                   : std::string(folder));
    if (perVolume) files.CreateFolder(runFolders.back());
  }
  // Every file the run reads, before any copy is placed: a copy named as a
  // later track's source would otherwise take its place before it is read.
  // Each is opened, as the copy will open it, whatever case it is named in.
  // A source that did not open then is not copied later either: it may be
  // an earlier track's copy by then.
  ReadFiles reads;
  auto add = [&](std::string_view path) {
    uint32_t error = 0;
    std::optional<FileIdentity> identity;
    if (std::unique_ptr<InputFile> file = files.Open(path, &error)) {
      identity = file->Identity();
      error = kErrorSuccess;
    } else if (error == kErrorSuccess) {
      error = kErrorFileNotFound;
    }
    // A file there that would not open is still not to be written over.
    if (!identity && !IsMissing(error) && IdentifyIfThere(files, path, &identity) != 0) {
      reads.AddUnknown();
    }
    if (identity) reads.Add(*identity);
    return error;
  };
  add(playlistPath);
  std::vector<uint32_t> unopened;
  unopened.reserve(playlist.Tracks.size());
  for (const MP3Information& record : playlist.Tracks) {
    unopened.push_back(add(ResolveOpenPath(PathText(record), playlistPath)));
  }
  reads.Seal();
  for (size_t r = 0; r < runs.size(); ++r) {
    for (size_t i = runs[r].First; i < runs[r].End; ++i) {
      host.NextTrack(static_cast<uint32_t>(i));
      const MP3Information& record = playlist.Tracks[i];
      std::string source = ResolveOpenPath(PathText(record), playlistPath);
      const uint32_t place = static_cast<uint32_t>(perVolume ? i - runs[r].First : i);
      std::string destination = CopyDestination(runFolders[r], CopyName(record, place, options));
      if (source == destination) {
        ++result.Skipped;
        continue;
      }
      if (unopened[i] != kErrorSuccess) {
        host.Failed(CopyFailure::kOpenSource, source, unopened[i]);
        ++result.Failures;
        continue;
      }
      switch (CopyFileKeepTimes(files, host, source, destination, &reads)) {
        case CopyOutcome::kCopied:
          ++result.Copied;
          host.Copied(source, destination);
          break;
        case CopyOutcome::kEmpty:
        case CopyOutcome::kSame: ++result.Skipped; break;
        case CopyOutcome::kFailed: ++result.Failures; break;
      }
    }
  }
  return result;
}

uint64_t BytesToCopy(const Playlist& playlist, std::string_view playlistPath, FileSystem& files) {
  uint64_t total = 0;
  for (const MP3Information& record : playlist.Tracks) {
    uint64_t size = 0;
    size_t tailRead = 0;
    if (files.ReadTail(ResolveOpenPath(PathText(record), playlistPath), &size, nullptr, 0,
                       &tailRead) == 0) {
      total += size;
    }
  }
  return total;
}

}  // namespace voltrak
