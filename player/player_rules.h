// The player link's and the watcher's rules that need no system: the names
// the player and its plug-in use, the signature's bytes, how names join the
// player's folder, and when a change on disk asks for a reload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace voltrak {

// The running player is found by its window class and asked with WM_USER.
inline constexpr const char* kPlayerWindowClass = "Winamp v1.x";
inline constexpr uint32_t kRequestWriteList = 120;     // writes "winamp.m3u" in its folder
inline constexpr uint32_t kRequestListPosition = 125;  // answers its current entry

inline constexpr const char* kPlayerListName = "winamp.m3u";
inline constexpr const char* kPlayerSignatureName = "VOLTRAK.SIG";
inline constexpr std::string_view kPlayerSignature =
    "---\r\n\r\nWinAmp is not running at the time this message was posted.\r\n\r\n";
inline constexpr const char* kNoPlayerText =
    "Could not locate a running copy of Winamp; loading play list at time of last use.";

inline constexpr const char* kPluginIniName = "\\Plugins\\plugin.ini";
inline constexpr const char* kPluginSection = "Tallyquill_ZORv";
inline constexpr const char* kPluginKey = "M3UFileName";
// Shown when the string table's explanation cannot be loaded.
inline constexpr const char* kPluginNotConfiguredText = "WinAmp plug-in is not configured.";

// A file in the player's folder: a backslash goes between them only when the
// folder does not already end with one. An empty folder gives "\name", from
// the root of the current drive.
std::string InPlayerFolder(std::string_view playerDirectory, std::string_view name);

// The plug-in's settings file: its name brings its own backslash.
std::string PluginIniPath(std::string_view playerDirectory);

// How much of the playlist path the watcher watches: up to and with its last
// backslash, or all of it when it holds none.
size_t WatchedFolderLength(std::string_view path);

// Whether a change seen by the watcher asks for a reload: the file had
// content once and its last-write time moved (0 when it cannot be opened).
// With no playlist path (after Reset) there is nothing to reload.
bool ChangeAsksForReload(uint32_t lastSize, uint64_t newTime, uint64_t rememberedTime,
                         bool pathEmpty);

}  // namespace voltrak
