// The ID3v2 reader on any bytes, and on tags written here. Any block made
// starts with "TAG" and holds each field within its bounds, ended by a NUL
// or its bound; a prefix of the bytes is read without a read past it, and
// gives the same block once it holds the whole tag; and a tag written here
// with random texts, encoding, version, unsynchronisation and padding
// gives back its texts in ISO-8859-1, '?' for what has no byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "playlist/id3v2.h"

namespace {

using voltrak::Id3v1Block;

std::optional<Id3v1Block> ReadExactly(std::string_view bytes) {
  // A copy of its own size, so that a read past it is the sanitizer's.
  const std::vector<char> copy(bytes.begin(), bytes.end());
  return voltrak::Id3v1FromId3v2(std::string_view(copy.data(), copy.size()));
}

// A field is text up to its first NUL, then NULs to its bound.
bool Ended(const Id3v1Block& block, size_t offset, size_t length) {
  const auto field = block.begin() + static_cast<std::ptrdiff_t>(offset);
  const auto nul = std::find(field, field + static_cast<std::ptrdiff_t>(length), 0);
  return std::all_of(nul, field + static_cast<std::ptrdiff_t>(length),
                     [](unsigned char c) { return c == 0; });
}

void CheckBlock(const Id3v1Block& block) {
  CHECK(block[0] == 'T' && block[1] == 'A' && block[2] == 'G');
  for (size_t offset :
       {voltrak::kTagTitleOffset, voltrak::kTagArtistOffset, voltrak::kTagAlbumOffset}) {
    CHECK(Ended(block, offset, voltrak::kTagTextLength));
  }
  CHECK(Ended(block, voltrak::kTagYearOffset, voltrak::kTagYearLength));
  // A track number takes the comment's last byte, after a NUL.
  const bool track =
      block[voltrak::kTagCommentOffset + 28] == 0 && block[voltrak::kTagCommentOffset + 29] != 0;
  CHECK(Ended(block, voltrak::kTagCommentOffset, track ? 28 : voltrak::kTagTextLength));
}

std::string Size(uint32_t value, bool syncSafe) {
  const unsigned bits = syncSafe ? 7 : 8;
  std::string bytes;
  for (int i = 3; i >= 0; --i) bytes += static_cast<char>(value >> (bits * i) & ((1u << bits) - 1));
  return bytes;
}

// A text of characters from the input, and how the reader should give it.
struct Text {
  std::u32string Characters;
  std::string Latin1;
};

Text RandomText(FuzzedDataProvider& input, bool wide) {
  Text text;
  const size_t length = input.ConsumeIntegralInRange<size_t>(0, 40);
  for (size_t i = 0; i < length; ++i) {
    char32_t c = wide ? input.ConsumeIntegralInRange<char32_t>(1, 0x10FFFF)
                      : input.ConsumeIntegralInRange<char32_t>(1, 255);
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;  // no lone surrogates
    text.Characters += c;
    text.Latin1 += c <= 0xFF ? static_cast<char>(c) : '?';
  }
  return text;
}

std::string Encoded(const std::u32string& text, int encoding, bool little) {
  std::string bytes(1, static_cast<char>(encoding));
  auto unit = [&](uint32_t u) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u);
    bytes += little ? std::string{low, high} : std::string{high, low};
  };
  if (encoding == 1) unit(0xFEFF);
  for (char32_t c : text) {
    if (encoding == 0) {
      bytes += static_cast<char>(c);
    } else if (encoding == 3) {
      if (c < 0x80) {
        bytes += static_cast<char>(c);
      } else if (c < 0x800) {
        bytes += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
      } else if (c < 0x10000) {
        bytes += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                  static_cast<char>(0x80 | (c & 0x3F))};
      } else {
        bytes += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
                  static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
      }
    } else if (c < 0x10000) {
      unit(c);
    } else {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return bytes;
}

std::string Unsynchronised(std::string_view bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    out += bytes[i];
    const unsigned char next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    if (bytes[i] == '\xFF' && (next >= 0xE0 || next == 0)) out += '\0';
  }
  return out;
}

void CheckWrittenTag(FuzzedDataProvider& input) {
  const int version = input.ConsumeIntegralInRange(2, 4);
  const bool unsync = input.ConsumeBool();
  // Latin-1 everywhere, UTF-16 with its mark everywhere, UTF-16BE and UTF-8 from 2.4 on.
  const int encoding = input.ConsumeIntegralInRange(0, version == 4 ? 3 : 1);
  const bool little = input.ConsumeBool();
  const Text title = RandomText(input, encoding != 0), artist = RandomText(input, encoding != 0);
  const size_t padding = input.ConsumeIntegralInRange<size_t>(0, 300);

  std::string body;
  const char* ids[2][2] = {{"TT2", "TP1"}, {"TIT2", "TPE1"}};
  const Text* texts[2] = {&title, &artist};
  for (int i = 0; i < 2; ++i) {
    std::string data = Encoded(texts[i]->Characters, encoding, encoding == 1 && little);
    if (version == 4 && unsync) data = Unsynchronised(data);
    const std::string flags = version == 2              ? ""
                              : version == 3 || !unsync ? std::string(2, '\0')
                                                        : std::string("\0\2", 2);
    const std::string size = version == 2
                                 ? Size(static_cast<uint32_t>(data.size()), false).substr(1)
                                 : Size(static_cast<uint32_t>(data.size()), version == 4);
    body += ids[version == 2 ? 0 : 1][i] + size + flags + data;
  }
  body += std::string(padding, '\0');
  if (version < 4 && unsync) body = Unsynchronised(body);
  const std::string tag =
      std::string{
          'I', 'D', '3', static_cast<char>(version), 0, static_cast<char>(unsync ? 0x80 : 0)} +
      Size(static_cast<uint32_t>(body.size()), true) + body;
  const std::optional<Id3v1Block> block = ReadExactly(tag);
  CHECK(block.has_value());
  auto field = [&](size_t offset) {
    const char* text = reinterpret_cast<const char*>(block->data() + offset);
    return std::string(text, std::find(text, text + voltrak::kTagTextLength, '\0'));
  };
  CHECK(field(voltrak::kTagTitleOffset) == title.Latin1.substr(0, voltrak::kTagTextLength));
  CHECK(field(voltrak::kTagArtistOffset) == artist.Latin1.substr(0, voltrak::kTagTextLength));
  CHECK((*block)[voltrak::kTagGenreOffset] == 255);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<Id3v1Block> whole = ReadExactly(bytes);
  if (whole) CheckBlock(*whole);
  if (const std::optional<uint64_t> tagSize = voltrak::Id3v2TagSize(bytes)) {
    CHECK(*tagSize >= voltrak::kId3v2HeaderSize && *tagSize <= 10 + 0x0FFFFFFFu + 10);
  } else {
    CHECK(!whole);
  }
  FuzzedDataProvider input(data, size);
  const size_t prefix = input.ConsumeIntegralInRange<size_t>(0, size);
  const std::optional<Id3v1Block> part = ReadExactly(bytes.substr(0, prefix));
  if (part) CheckBlock(*part);
  const std::optional<uint64_t> tagSize = voltrak::Id3v2TagSize(bytes);
  if (tagSize && prefix >= *tagSize) CHECK(part == whole);
  CheckWrittenTag(input);
  return 0;
}
