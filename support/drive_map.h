// How the POSIX layer names Windows paths, the way Wine does: drive Z: is the
// root, every backslash a slash, other drives from a table. Portable so that
// it can be tested on any platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace voltrak {

// The current folder's POSIX path ("/" on Windows, where drives name it).
std::string CurrentFolder();

// Sets the folder that drive letter `drive` stands for ("" removes it).
// Z: is the root unless set otherwise.
void MapDrive(char drive, std::string_view folder);

// The POSIX path of a Windows path, or none when it cannot be opened here
// (an unmapped drive, a network path). A path without a drive is taken from
// the current folder; one starting with a single backslash from the root of
// the current folder's drive, which is the root when that is Z:.
std::optional<std::string> ToPosixPath(std::string_view windowsPath);
// The same into *posix, reusing its room; false when there is none.
bool ToPosixPath(std::string_view windowsPath, std::string* posix);

// The Windows name of a POSIX path: /tmp/x/a.m3u is Z:\tmp\x\a.m3u. Relative
// paths are first made absolute from the current folder. A path inside a
// mapped drive's folder gets that drive's letter.
std::string ToWindowsPath(std::string_view posixPath);

// `rest` resolved below `root` (which ends in `joiner`, or is empty), as the
// system resolves a path: either of `separators` (one or two) parts it, "."
// goes, and ".." takes back the part before it but never any of `root`. The
// parts are joined with `joiner`, one of the separators; with `keepFinal`, a
// separator that ended `rest` ends the result too.
std::string ResolveBelow(std::string_view root, std::string_view rest,
                         std::string_view separators, char joiner, bool keepFinal);

}  // namespace voltrak
