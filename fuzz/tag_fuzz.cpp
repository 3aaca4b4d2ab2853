// NormalizeTag and the tag's readers on any 128 bytes, directly and through
// a load of a track file that ends in them. The input's first 128 bytes are
// the block; the file is the rest of the input followed by the block. A file
// whose block is no tag takes its texts from an ID3v2 tag at its start.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "outputs/clipboard_text.h"
#include "playlist/id3v2.h"
#include "playlist/mp3_frames.h"
#include "tests/test_support.h"

using voltrak::Id3v1Block;
using voltrak::MP3Information;

namespace {

constexpr size_t kTextFields[] = {voltrak::kTagTitleOffset, voltrak::kTagArtistOffset,
                                  voltrak::kTagAlbumOffset, voltrak::kTagCommentOffset};

// A field as read before normalising, up to its NUL, without its trailing blanks.
std::string_view Trimmed(const Id3v1Block& block, size_t offset) {
  std::string_view field(reinterpret_cast<const char*>(block.data() + offset),
                         voltrak::kTagTextLength);
  field = field.substr(0, field.find('\0'));
  return field.substr(0, field.find_last_not_of(' ') + 1);
}

void CheckNormalized(const Id3v1Block& raw, const Id3v1Block& block) {
  if (!std::equal(raw.begin(), raw.begin() + 3, "TAG")) {
    CHECK(std::all_of(block.begin(), block.end(), [](unsigned char c) { return c == 0; }));
    return;
  }
  MP3Information record;
  record.SetTag(block);
  for (size_t offset : kTextFields) {
    // At most one byte of the field is written, and it becomes the NUL.
    size_t changed = 0;
    for (size_t i = offset; i < offset + voltrak::kTagTextLength; ++i) {
      if (block[i] != raw[i]) CHECK(block[i] == 0), ++changed;
    }
    CHECK(changed <= 1);
    std::string_view text(reinterpret_cast<const char*>(block.data() + offset),
                          voltrak::kTagTextLength);
    text = text.substr(0, text.find('\0'));
    CHECK(text == Trimmed(raw, offset));
  }
  for (std::string_view text : {record.TagTitle(), record.TagArtist(), record.TagAlbum(),
                                record.TagComment()}) {
    CHECK(text.size() <= voltrak::kTagTextLength && text.find('\0') == std::string_view::npos);
    CHECK(text.empty() || text.back() != ' ');
  }
  CHECK(record.TagYear().size() <= voltrak::kTagYearLength);
  // The marker, the year and the genre stay as read.
  CHECK(std::equal(raw.begin() + voltrak::kTagYearOffset, raw.begin() + voltrak::kTagCommentOffset,
                   block.begin() + voltrak::kTagYearOffset));
  CHECK(raw[voltrak::kTagGenreOffset] == block[voltrak::kTagGenreOffset]);
  CHECK(std::equal(raw.begin(), raw.begin() + 3, block.begin()));
}

// What a record keeps of a normalised block: each text and the year up to
// its NUL, with NULs after; the bytes past a NUL are no part of the tag.
Id3v1Block Readable(Id3v1Block block) {
  auto clearAfterNul = [&](size_t offset, size_t length) {
    const auto field = block.begin() + offset, end = field + length;
    std::fill(std::find(field, end, 0), end, 0);
  };
  for (size_t offset : kTextFields) clearAfterNul(offset, voltrak::kTagTextLength);
  clearAfterNul(voltrak::kTagYearOffset, voltrak::kTagYearLength);
  return block;
}

// The address is the site, "/lyrics/" and the three fields, blanks as "_"
// and A-Z lowered, and nothing else.
void CheckLyrics(const MP3Information& record) {
  const std::string address = voltrak::LyricsAddress(record);
  const std::string site = voltrak::kLyricsSite;
  CHECK(address.compare(0, site.size(), site) == 0);
  CHECK(address.size() == site.size() + 10 + record.TagArtist().size() + record.TagAlbum().size() +
                              record.TagTitle().size());
  CHECK(address.find_first_of(" ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Id3v1Block raw{};
  const size_t blockSize = std::min(size, raw.size());
  std::copy_n(data, blockSize, raw.begin());

  Id3v1Block block = raw;
  voltrak::NormalizeTag(block);
  CheckNormalized(raw, block);
  Id3v1Block again = block;
  voltrak::NormalizeTag(again);
  CHECK(again == block);

  // A load reads the file's last 128 bytes and keeps them normalised; a
  // shorter file has no tag.
  std::string bytes(reinterpret_cast<const char*>(data) + blockSize, size - blockSize);
  bytes.append(reinterpret_cast<const char*>(data), blockSize);
  voltrak::testing::MemoryFileSystem files;
  files.Put("C:\\l\\a.mp3", bytes);
  files.Put("C:\\l\\x.m3u", "a.mp3\r\n");
  voltrak::LoadSettings settings;
  settings.CurrentPlaylistPath = "C:\\l\\x.m3u";
  voltrak::testing::ScriptedLoadHost host;
  voltrak::Playlist playlist;
  voltrak::LoadPlaylist(settings, playlist, files, host);
  CHECK(playlist.TrackCount() == 1);
  const MP3Information& record = playlist.Tracks[0];
  CHECK(record.Loaded == 1 && record.FileSize == bytes.size() / 1024);
  // Without an ID3v1 tag, the texts of an ID3v2 tag at the file's start.
  Id3v1Block expected = bytes.size() >= raw.size() ? Readable(block) : Id3v1Block{};
  if (expected[0] == 0) {
    MP3Information fromId3v2;
    const std::string_view head = std::string_view(bytes).substr(0, voltrak::kAudioHeadSize);
    if (std::optional<Id3v1Block> tag = voltrak::Id3v1FromId3v2(head)) fromId3v2.SetTag(*tag);
    expected = fromId3v2.Tag();
  }
  CHECK(record.Tag() == expected);
  CheckLyrics(record);
  return 0;
}
