// measure_tracks FILE...: for each file, one JSON line with the play length
// and the tags the track readers find, reading only what a caller of them
// reads: the head, a second head at the audio start, and the tail.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "playlist/id3v2.h"
#include "playlist/mp3_frames.h"

namespace {

std::string ReadAt(std::ifstream& file, uint64_t offset, uint64_t fileSize, size_t count) {
  if (offset >= fileSize) return {};
  std::string bytes(static_cast<size_t>(std::min<uint64_t>(count, fileSize - offset)), '\0');
  file.seekg(static_cast<std::streamoff>(offset));
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(file.gcount()));
  return bytes;
}

// A text field up to its NUL, as JSON: each byte one ISO-8859-1 character.
std::string Json(const unsigned char* field, size_t length) {
  std::string text = "\"";
  for (size_t i = 0; i < length && field[i] != 0; ++i) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped,
                  field[i] < 0x20 || field[i] >= 0x7F || field[i] == '"' || field[i] == '\\'
                      ? "\\u%04x"
                      : "%c",
                  field[i]);
    text += escaped;
  }
  return text + "\"";
}

std::string Json(const std::optional<voltrak::Id3v1Block>& block) {
  if (!block) return "null";
  const unsigned char* b = block->data();
  const bool track =
      b[voltrak::kTagCommentOffset + 28] == 0 && b[voltrak::kTagCommentOffset + 29] != 0;
  return "{\"title\": " + Json(b + voltrak::kTagTitleOffset, 30) +
         ", \"artist\": " + Json(b + voltrak::kTagArtistOffset, 30) +
         ", \"album\": " + Json(b + voltrak::kTagAlbumOffset, 30) +
         ", \"year\": " + Json(b + voltrak::kTagYearOffset, 4) +
         ", \"comment\": " + Json(b + voltrak::kTagCommentOffset, 30) +
         ", \"track\": " + (track ? std::to_string(b[voltrak::kTagCommentOffset + 29]) : "null") +
         ", \"genre\": " + std::to_string(b[voltrak::kTagGenreOffset]) + "}";
}

}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary | std::ios::ate);
    if (!file) {
      std::fprintf(stderr, "measure_tracks: cannot open %s\n", argv[i]);
      status = 1;
      continue;
    }
    const uint64_t size = static_cast<uint64_t>(file.tellg());
    const std::string head = ReadAt(file, 0, size, voltrak::kAudioHeadSize);
    const std::string tail = ReadAt(file, size - std::min<uint64_t>(size, voltrak::kFileTailSize),
                                    size, voltrak::kFileTailSize);
    std::optional<uint32_t> seconds;
    if (const std::optional<uint64_t> start = voltrak::AudioStartOf(head, size)) {
      // The first read serves when the audio starts the file.
      const std::string audio =
          *start == 0 ? head : ReadAt(file, *start, size, voltrak::kAudioHeadSize);
      seconds = voltrak::Mp3PlayLength(audio, *start, size, tail);
    }
    std::optional<voltrak::Id3v1Block> v1;
    if (tail.size() >= 128 && tail.compare(tail.size() - 128, 3, "TAG") == 0) {
      v1.emplace();
      tail.copy(reinterpret_cast<char*>(v1->data()), 128, tail.size() - 128);
    }
    const std::string name = Json(reinterpret_cast<const unsigned char*>(argv[i]), SIZE_MAX);
    std::printf("{\"file\": %s, \"seconds\": %s, \"id3v2\": %s, \"id3v1\": %s}\n", name.c_str(),
                seconds ? std::to_string(*seconds).c_str() : "null",
                Json(voltrak::Id3v1FromId3v2(head)).c_str(), Json(v1).c_str());
  }
  return status;
}
