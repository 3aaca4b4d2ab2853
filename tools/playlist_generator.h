// Makes playlists and MP3-like track files of our own for the example, the
// tests and the benchmarks: a few frames of silence, filler bytes and an
// ID3v1 tag. The same options always give the same files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/file_system.h"

namespace voltrak {

struct GeneratorOptions {
  uint32_t Count = 40;            // entries in the playlist
  uint32_t Variant = 1;           // another number, another (repeatable) list
  std::string PlaylistName = "example.m3u";
  enum class PathStyle { kRelative, kAbsolute, kFromRoot, kMixed } Paths = PathStyle::kRelative;
  bool LetterFolders = false;     // files under A\Artist\..., as many collections are sorted
  uint32_t MissingPercent = 0;    // entries whose file is not written
  uint32_t UntaggedPercent = 0;   // files without an ID3v1 tag
  uint32_t NoInfoPercent = 0;     // entries without an "#EXTINF:" line
  enum class LineEnds { kCrLf, kLf, kCr, kMixed } Ends = LineEnds::kCrLf;
  bool Header = true;
  bool HighBytes = false;         // bytes above 127 in titles and tags (not in file names)
  uint32_t MinBytes = 1200;       // track file sizes
  uint32_t MaxBytes = 6000;
  uint32_t MinSeconds = 150;      // play lengths in the "#EXTINF:" lines
  uint32_t MaxSeconds = 420;
};

struct GeneratedPlaylist {
  std::string PlaylistPath;  // Windows form
  uint32_t Entries = 0;
  uint32_t Missing = 0;
  uint32_t TotalSeconds = 0;  // over every entry with an "#EXTINF:" line
  uint32_t TotalKB = 0;       // over the files written
  uint32_t Error = 0;         // first failure while writing, or 0
};

// Writes the playlist and its track files into `folder` (a Windows path that
// exists). Track files go in folders below it.
GeneratedPlaylist GeneratePlaylist(FileSystem& files, std::string_view folder,
                                   const GeneratorOptions& options);

// Writes one track file of `bytes` bytes; with a tag when `tagged`.
uint32_t WriteTrackFile(FileSystem& files, std::string_view path, uint32_t bytes, bool tagged,
                        std::string_view title, std::string_view artist, std::string_view album);

}  // namespace voltrak
