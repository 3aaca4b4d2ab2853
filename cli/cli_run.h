// One run of voltrak-cli, from its arguments to its exit code.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/track_record.h"

namespace voltrak::cli {

enum ExitCode : int {
  kExitDone = 0,
  kExitPlaylistNotOpened = 1,
  kExitStrict = 1,  // --strict: the plan came with a warning
  kExitUsage = 2,
  kExitOutputFailed = 3,
};

// An absolute POSIX path with "." and ".." parts and repeated slashes
// resolved by name alone, as Windows resolves a full path name.
std::string NormalizePosixPath(std::string_view absolutePath);

// The name under which the core opens the playlist given on the command line:
// absolute and in Windows form (/tmp/x/mix.m3u is Z:\tmp\x\mix.m3u on POSIX).
// A name that already has a drive letter is taken as a Windows path.
std::string PlaylistPathFor(std::string_view given);

// Loads `playlist`, plans and prints as the arguments (without the program's
// name) ask. Drive mappings are set for the whole process.
int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
           Playlist& playlist);

}  // namespace voltrak::cli
