#include "tools/playlist_generator.h"
#include "support/replacement_file.h"

#include <algorithm>
#include <set>
#include <string>

namespace voltrak {
namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(uint64_t start) : state_(start * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t Between(uint32_t low, uint32_t high) {
    if (high <= low) return low;
    return low + static_cast<uint32_t>(Next() % (uint64_t{high} - low + 1));
  }
  bool Percent(uint32_t percent) { return Between(1, 100) <= percent; }
  template <size_t N>
  const char* Pick(const char* const (&words)[N]) {
    return words[Next() % N];
  }

 private:
  uint64_t state_;
};

const char* const kFirst[] = {"Amber", "Blue", "Cinder", "Dusk", "Ember", "Frost", "Golden",
                              "Hollow", "Iron", "Jade", "Lunar", "Misty", "Northern", "Opal",
                              "Paper", "Quiet", "Rusty", "Silver", "Velvet", "Wild"};
const char* const kSecond[] = {"Arrows", "Bells", "Canyon", "Drifters", "Engines", "Foxes",
                               "Gardens", "Harbour", "Islands", "Lanterns", "Meadows", "Orchard",
                               "Pilots", "Rivers", "Sparrows", "Tides", "Valley", "Wolves"};
const char* const kWords[] = {"Morning", "Letter", "Road", "Song", "Light", "Rain", "Home",
                              "Winter", "Fire", "Dream", "Station", "Window", "Ocean", "Train",
                              "Summer", "Shadow", "Bridge", "Garden", "Mirror", "Echo"};

std::string Title(Random& random, bool highBytes) {
  std::string title = std::string(random.Pick(kWords)) + " " + random.Pick(kWords);
  if (highBytes && random.Percent(30)) title += " Caf\xe9 \xbb Na\xefve";
  return title;
}

std::string LineEnd(Random& random, GeneratorOptions::LineEnds ends) {
  switch (ends) {
    case GeneratorOptions::LineEnds::kCrLf: return "\r\n";
    case GeneratorOptions::LineEnds::kLf: return "\n";
    case GeneratorOptions::LineEnds::kCr: return "\r";
    case GeneratorOptions::LineEnds::kMixed: break;
  }
  switch (random.Between(0, 4)) {
    case 0: return "\n";
    case 1: return "\r";
    case 2: return "\r\n\r\n";
    default: return "\r\n";
  }
}

void PutField(std::string& tag, size_t offset, std::string_view text) {
  tag.replace(offset, std::min<size_t>(text.size(), 30), text.substr(0, 30));
}

// Creates every folder of `path` below `root` that does not exist yet.
uint32_t MakeFolders(FileSystem& files, std::string_view root, std::string_view relative,
                     std::set<std::string>& made) {
  size_t pos = 0;
  while ((pos = relative.find('\\', pos)) != std::string_view::npos) {
    std::string folder = std::string(root) + std::string(relative.substr(0, pos));
    if (made.insert(folder).second) {
      uint32_t error = files.CreateFolder(folder);
      if (error != kErrorSuccess && error != kErrorAlreadyExists && error != kErrorFileExists) {
        return error;
      }
    }
    ++pos;
  }
  return kErrorSuccess;
}

}  // namespace

uint32_t WriteTrackFile(FileSystem& files, std::string_view path, uint32_t bytes, bool tagged,
                        std::string_view title, std::string_view artist, std::string_view album) {
  std::string data;
  data.reserve(bytes);
  // Frames of silence: MPEG-1 layer III, 128 kbit/s, 44.1 kHz, 417 bytes each.
  const uint32_t body = tagged && bytes >= 128 ? bytes - 128 : bytes;
  while (data.size() + 417 <= body) {
    std::string frame(417, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\x64';
    data += frame;
  }
  data.resize(body, '\0');
  if (tagged && bytes >= 128) {
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    PutField(tag, 3, title);
    PutField(tag, 33, artist);
    PutField(tag, 63, album);
    tag.replace(93, 4, "2001");
    PutField(tag, 97, "made by Voltrak");
    tag[127] = 12;
    data += tag;
  }
  return WriteWholeFile(files, path, data);
}

GeneratedPlaylist GeneratePlaylist(FileSystem& files, std::string_view folder,
                                   const GeneratorOptions& options) {
  GeneratedPlaylist result;
  std::string root(folder);
  if (root.empty() || root.back() != '\\') root += '\\';
  result.PlaylistPath = root + options.PlaylistName;
  Random random(options.Variant);
  std::set<std::string> made;

  std::string text = options.Header ? "#EXTM3U\r\n" : "";
  if (options.Header && options.Ends != GeneratorOptions::LineEnds::kCrLf) {
    text += LineEnd(random, options.Ends);  // a blank line right after the header
  }
  for (uint32_t i = 0; i < options.Count; ++i) {
    std::string artist = std::string(random.Pick(kFirst)) + " " + random.Pick(kSecond);
    std::string album = std::string(random.Pick(kWords)) + " Sessions";
    std::string title = Title(random, options.HighBytes);
    uint32_t seconds = random.Between(options.MinSeconds, options.MaxSeconds);
    uint32_t bytes = random.Between(options.MinBytes, options.MaxBytes);
    bool missing = random.Percent(options.MissingPercent);
    bool tagged = !random.Percent(options.UntaggedPercent);
    bool info = !random.Percent(options.NoInfoPercent);

    // File names keep to ASCII so that every platform spells them alike.
    std::string relative;
    if (options.LetterFolders) relative += std::string(1, artist[0]) + "\\";
    relative += artist + "\\" + album + "\\";
    char number[16];
    snprintf(number, sizeof number, "%05u ", i + 1);
    relative += number;
    relative += std::string(random.Pick(kWords)) + ".mp3";

    if (!missing) {
      uint32_t error = MakeFolders(files, root, relative, made);
      if (error == 0) {
        error = WriteTrackFile(files, root + relative, bytes, tagged, title, artist, album);
      }
      if (error != 0 && result.Error == 0) result.Error = error;
      result.TotalKB += bytes / 1024;
    } else {
      ++result.Missing;
    }

    GeneratorOptions::PathStyle style = options.Paths;
    if (style == GeneratorOptions::PathStyle::kMixed) {
      style = static_cast<GeneratorOptions::PathStyle>(random.Between(0, 2));
    }
    std::string listed;
    switch (style) {
      case GeneratorOptions::PathStyle::kAbsolute: listed = root + relative; break;
      case GeneratorOptions::PathStyle::kFromRoot: listed = root.substr(2) + relative; break;
      default: listed = relative; break;
    }
    if (info) {
      text += "#EXTINF:" + std::to_string(seconds) + "," + artist + " - " + title;
      text += LineEnd(random, options.Ends);
      result.TotalSeconds += seconds;
    }
    text += listed;
    text += LineEnd(random, options.Ends);
  }
  result.Entries = options.Count;

  uint32_t error = WriteWholeFile(files, result.PlaylistPath, text);
  if (error != 0 && result.Error == 0) result.Error = error;
  return result;
}

}  // namespace voltrak
