// make_example_playlist FOLDER [options]: writes a playlist and its MP3-like
// track files into FOLDER, the same files for the same options.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/drive_map.h"
#include "tools/playlist_generator.h"

using voltrak::GeneratorOptions;

namespace {

bool Number(const char* text, uint32_t* value) {
  char* end = nullptr;
  unsigned long parsed = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0' || parsed > 0xFFFFFFFFul) return false;
  *value = static_cast<uint32_t>(parsed);
  return true;
}

int Usage() {
  std::fputs(
      "usage: make_example_playlist FOLDER [--count=N] [--variant=N] [--name=FILE.m3u]\n"
      "         [--paths=relative|absolute|root|mixed] [--letters] [--missing=PCT]\n"
      "         [--untagged=PCT] [--noinfo=PCT] [--ends=crlf|lf|cr|mixed] [--no-header]\n"
      "         [--high-bytes] [--bytes=MIN-MAX] [--seconds=MIN-MAX]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  GeneratorOptions options;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      size_t length = std::strlen(name);
      return arg.compare(0, length, name) == 0 ? argv[i] + length : nullptr;
    };
    const char* v = nullptr;
    bool ok = true;
    if ((v = value("--count="))) {
      ok = Number(v, &options.Count);
    } else if ((v = value("--variant="))) {
      ok = Number(v, &options.Variant);
    } else if ((v = value("--name="))) {
      options.PlaylistName = v;
    } else if ((v = value("--paths="))) {
      std::string p = v;
      if (p == "relative") options.Paths = GeneratorOptions::PathStyle::kRelative;
      else if (p == "absolute") options.Paths = GeneratorOptions::PathStyle::kAbsolute;
      else if (p == "root") options.Paths = GeneratorOptions::PathStyle::kFromRoot;
      else if (p == "mixed") options.Paths = GeneratorOptions::PathStyle::kMixed;
      else ok = false;
    } else if (arg == "--letters") {
      options.LetterFolders = true;
    } else if ((v = value("--missing="))) {
      ok = Number(v, &options.MissingPercent);
    } else if ((v = value("--untagged="))) {
      ok = Number(v, &options.UntaggedPercent);
    } else if ((v = value("--noinfo="))) {
      ok = Number(v, &options.NoInfoPercent);
    } else if ((v = value("--ends="))) {
      std::string e = v;
      if (e == "crlf") options.Ends = GeneratorOptions::LineEnds::kCrLf;
      else if (e == "lf") options.Ends = GeneratorOptions::LineEnds::kLf;
      else if (e == "cr") options.Ends = GeneratorOptions::LineEnds::kCr;
      else if (e == "mixed") options.Ends = GeneratorOptions::LineEnds::kMixed;
      else ok = false;
    } else if (arg == "--no-header") {
      options.Header = false;
    } else if (arg == "--high-bytes") {
      options.HighBytes = true;
    } else if ((v = value("--bytes=")) || (v = value("--seconds="))) {
      bool bytes = arg[2] == 'b';
      std::string range = v;
      size_t dash = range.find('-');
      uint32_t low = 0, high = 0;
      ok = dash != std::string::npos && Number(range.substr(0, dash).c_str(), &low) &&
           Number(range.substr(dash + 1).c_str(), &high) && low <= high;
      (bytes ? options.MinBytes : options.MinSeconds) = low;
      (bytes ? options.MaxBytes : options.MaxSeconds) = high;
    } else if (arg.compare(0, 2, "--") != 0 && folder.empty()) {
      folder = arg;
    } else {
      ok = false;
    }
    if (!ok) {
      std::fprintf(stderr, "make_example_playlist: bad argument '%s'\n", argv[i]);
      return Usage();
    }
  }
  if (folder.empty()) return Usage();

  voltrak::FileSystem& files = voltrak::SystemFileSystem();
#ifdef _WIN32
  std::string windowsFolder = folder;
#else
  std::string windowsFolder = voltrak::ToWindowsPath(folder);
#endif
  files.CreateFolder(windowsFolder);
  voltrak::GeneratedPlaylist made = voltrak::GeneratePlaylist(files, windowsFolder, options);
  if (made.Error != 0) {
    std::fprintf(stderr, "make_example_playlist: could not write into %s (error %u)\n",
                 folder.c_str(), made.Error);
    return 1;
  }
  std::printf("%s: %u entries, %u missing, %u seconds, %u KB\n", made.PlaylistPath.c_str(),
              made.Entries, made.Missing, made.TotalSeconds, made.TotalKB);
  return 0;
}
