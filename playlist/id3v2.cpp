#include "playlist/id3v2.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace voltrak {
namespace {

uint32_t ByteAt(std::string_view bytes, size_t at) { return static_cast<unsigned char>(bytes[at]); }

// `count` bytes as one number, `bits` (8, or 7 for a sync-safe size) from each.
uint32_t BigEndian(std::string_view bytes, size_t at, size_t count, unsigned bits) {
  uint32_t value = 0;
  for (size_t i = 0; i < count; ++i) value = (value << bits) | ByteAt(bytes, at + i);
  return value;
}

bool SyncSafe(std::string_view bytes, size_t at) {
  for (size_t i = 0; i < 4; ++i) {
    if (ByteAt(bytes, at + i) >= 0x80) return false;
  }
  return true;
}

// Undoes unsynchronisation: every 0xFF 0x00 was a lone 0xFF.
std::string Resynchronised(std::string_view bytes) {
  std::string plain;
  plain.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    plain += bytes[i];
    if (ByteAt(bytes, i) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0) ++i;
  }
  return plain;
}

enum Encoding : uint32_t { kLatin1 = 0, kUtf16Bom = 1, kUtf16Be = 2, kUtf8 = 3 };

size_t UnitSize(uint32_t encoding) { return encoding == kUtf16Bom || encoding == kUtf16Be ? 2 : 1; }

// Where the first text of `bytes` ends: at its terminator, or at the end.
size_t TextLength(std::string_view bytes, uint32_t encoding) {
  const size_t unit = UnitSize(encoding);
  size_t at = 0;
  while (at + unit <= bytes.size() && !(bytes[at] == 0 && (unit == 1 || bytes[at + 1] == 0))) {
    at += unit;
  }
  return at;
}

// The first text of `bytes` as ISO-8859-1, '?' for a character above 255
// and for bytes that encode no character.
std::string Latin1Of(std::string_view bytes, uint32_t encoding) {
  bytes = bytes.substr(0, TextLength(bytes, encoding));
  std::string text;
  auto put = [&](uint32_t code) { text += code <= 0xFF ? static_cast<char>(code) : '?'; };
  if (encoding == kLatin1) return std::string(bytes);
  if (encoding == kUtf8) {
    for (size_t i = 0; i < bytes.size();) {
      const uint32_t lead = ByteAt(bytes, i);
      const size_t extra = lead < 0x80    ? 0
                           : lead >= 0xF0 ? 3
                           : lead >= 0xE0 ? 2
                           : lead >= 0xC0 ? 1
                                          : 9;
      uint32_t code = extra == 0 ? lead : lead & (0x3Fu >> extra);
      size_t taken = 1;
      while (taken <= extra && extra < 9 && i + taken < bytes.size() &&
             (ByteAt(bytes, i + taken) & 0xC0) == 0x80) {
        code = (code << 6) | (ByteAt(bytes, i + taken) & 0x3F);
        ++taken;
      }
      // A cut or overlong sequence is one unknown character.
      const bool whole = extra < 9 && taken == extra + 1;
      const bool shortest = extra == 0 || code >= (extra == 1   ? 0x80u
                                                   : extra == 2 ? 0x800u
                                                                : 0x10000u);
      put(whole && shortest ? code : 0x100);
      i += taken;
    }
    return text;
  }
  bool little = false;
  if (encoding == kUtf16Bom && bytes.size() >= 2) {
    const uint32_t mark = BigEndian(bytes, 0, 2, 8);
    // Without a mark the text is taken as Windows writes it.
    little = mark != 0xFEFF;
    if (mark == 0xFEFF || mark == 0xFFFE) bytes.remove_prefix(2);
  }
  for (size_t i = 0; i + 2 <= bytes.size(); i += 2) {
    const uint32_t unit =
        little ? ByteAt(bytes, i) | ByteAt(bytes, i + 1) << 8 : BigEndian(bytes, i, 2, 8);
    // A surrogate, whole pair or not, is a character beyond 255.
    if (unit >= 0xD800 && unit < 0xDC00 && i + 4 <= bytes.size()) {
      const uint32_t next =
          little ? ByteAt(bytes, i + 2) | ByteAt(bytes, i + 3) << 8 : BigEndian(bytes, i + 2, 2, 8);
      if (next >= 0xDC00 && next < 0xE000) i += 2;
    }
    put(unit >= 0xD800 && unit < 0xE000 ? 0x100 : unit);
  }
  return text;
}

// The texts the block is made of, as found.
struct Fields {
  std::optional<std::string> Title, Artist, Album, Year, Comment, Track, Genre;
  bool CommentHasDescription = false;  // the comment kept is not a plain one
};

// A frame id: capitals and digits only.
bool FrameId(std::string_view id) {
  return std::all_of(id.begin(), id.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

void UseFrame(std::string_view id, std::string_view data, Fields& fields) {
  if (data.empty()) return;
  const uint32_t encoding = ByteAt(data, 0);
  if (encoding > kUtf8) return;
  data.remove_prefix(1);
  if (id == "COMM" || id == "COM") {
    if (data.size() < 3) return;
    data.remove_prefix(3);  // the language
    const size_t described = TextLength(data, encoding);
    const std::string description = Latin1Of(data, encoding);
    data.remove_prefix(std::min(data.size(), described + UnitSize(encoding)));
    // The comment without a description is the one players show; one
    // with a description is kept until it comes, unless it is a player's
    // own record ("iTunNORM" and the like).
    if (fields.Comment && !fields.CommentHasDescription) return;
    if (!description.empty() && (fields.Comment || description.compare(0, 4, "iTun") == 0)) return;
    fields.Comment = Latin1Of(data, encoding);
    fields.CommentHasDescription = !description.empty();
    return;
  }
  struct Named {
    const char* Ids[3];
    std::optional<std::string> Fields::*Field;
  };
  static constexpr Named kTexts[] = {
      {{"TIT2", "TT2", nullptr}, &Fields::Title}, {{"TPE1", "TP1", nullptr}, &Fields::Artist},
      {{"TALB", "TAL", nullptr}, &Fields::Album}, {{"TYER", "TYE", "TDRC"}, &Fields::Year},
      {{"TRCK", "TRK", nullptr}, &Fields::Track}, {{"TCON", "TCO", nullptr}, &Fields::Genre},
  };
  for (const Named& named : kTexts) {
    for (const char* name : named.Ids) {
      if (name != nullptr && id == name && !(fields.*named.Field)) {
        fields.*named.Field = Latin1Of(data, encoding);
      }
    }
  }
}

// The ID3v1 genres by number: the first 80 and Winamp's additions.
// clang-format off
constexpr const char* kGenres[] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk",
    "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave",
    "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American",
    "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk",
    "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic",
    "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella",
    "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie",
    "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal",
    "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
    "Thrash Metal", "Anime", "JPop", "Synthpop"};
// clang-format on

bool SameLetters(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// Leading decimal digits as a number up to 256 (more is as bad as 256);
// none without a digit. `used` is how many digits there were.
std::optional<uint32_t> Number(std::string_view text, size_t& used) {
  uint32_t value = 0;
  for (used = 0; used < text.size() && text[used] >= '0' && text[used] <= '9'; ++used) {
    value = std::min<uint32_t>(value * 10 + static_cast<uint32_t>(text[used] - '0'), 256);
  }
  return used > 0 ? std::optional<uint32_t>(value) : std::nullopt;
}

// "(17)", "(17)Rock", "17" or "Rock" as the genre byte; 255 for none.
uint8_t GenreByte(std::string_view text) {
  size_t used = 0;
  if (text.size() > 1 && text[0] == '(' && text[1] != '(') {
    const std::optional<uint32_t> number = Number(text.substr(1), used);
    if (number && used + 1 < text.size() && text[used + 1] == ')') {
      return static_cast<uint8_t>(std::min<uint32_t>(*number, 255));
    }
    // "(RX)" and "(CR)" name no ID3v1 genre; a refinement after them might.
    const size_t close = text.find(')');
    if (close != std::string_view::npos) text.remove_prefix(close + 1);
  } else if (text.substr(0, 2) == "((") {
    text.remove_prefix(1);
  }
  const std::optional<uint32_t> number = Number(text, used);
  if (number && used == text.size()) return static_cast<uint8_t>(std::min<uint32_t>(*number, 255));
  const size_t first = text.find_first_not_of(' ');
  text = first == std::string_view::npos ? std::string_view() : text.substr(first);
  text = text.substr(0, text.find_last_not_of(' ') + 1);
  for (size_t i = 0; i < std::size(kGenres); ++i) {
    if (SameLetters(text, kGenres[i])) return static_cast<uint8_t>(i);
  }
  return 255;
}

// Whether a frame may start at `at` of `body`: a frame id there, the
// padding, or the end of the bytes (with the frames not read).
bool FrameMayStart(std::string_view body, uint64_t at, size_t idLength) {
  return at >= body.size() || body[at] == 0 ||
         FrameId(body.substr(static_cast<size_t>(at), idLength));
}

}  // namespace

std::optional<uint64_t> Id3v2TagSize(std::string_view head) {
  if (head.size() < kId3v2HeaderSize || head.substr(0, 3) != "ID3" || ByteAt(head, 3) == 0xFF ||
      ByteAt(head, 4) == 0xFF || !SyncSafe(head, 6)) {
    return std::nullopt;
  }
  const bool footer = ByteAt(head, 3) == 4 && (ByteAt(head, 5) & 0x10) != 0;
  return kId3v2HeaderSize + uint64_t{BigEndian(head, 6, 4, 7)} + (footer ? kId3v2HeaderSize : 0);
}

std::optional<Id3v1Block> Id3v1FromId3v2(std::string_view head) {
  const std::optional<uint64_t> tagSize = Id3v2TagSize(head);
  if (!tagSize) return std::nullopt;
  const uint32_t version = ByteAt(head, 3), flags = ByteAt(head, 5);
  // A whole 2.2 tag compressed had no agreed way of compression.
  if (version < 2 || version > 4 || (version == 2 && (flags & 0x40) != 0)) return std::nullopt;
  std::string_view body = head.substr(kId3v2HeaderSize, BigEndian(head, 6, 4, 7));
  std::string plain;
  const bool unsynchronised = (flags & 0x80) != 0;
  if (unsynchronised && version < 4) body = plain = Resynchronised(body);

  size_t at = 0;
  if (version >= 3 && (flags & 0x40) != 0) {
    // The extended header: its size counts itself in 2.4 only.
    if (body.size() < 4) return std::nullopt;
    const uint64_t extended =
        version == 3 ? uint64_t{BigEndian(body, 0, 4, 8)} + 4 : BigEndian(body, 0, 4, 7);
    if (extended > body.size()) return std::nullopt;
    at = static_cast<size_t>(extended);
  }

  const size_t idLength = version == 2 ? 3 : 4;
  const size_t frameHeader = version == 2 ? 6 : 10;
  Fields fields;
  std::string framePlain;
  while (at + frameHeader <= body.size() && body[at] != 0) {
    const std::string_view id = body.substr(at, idLength);
    if (!FrameId(id)) break;
    const size_t start = at + frameHeader;
    uint64_t size = version == 2 ? BigEndian(body, at + 3, 3, 8) : BigEndian(body, at + 4, 4, 8);
    if (version == 4 && SyncSafe(body, at + 4)) {
      // 2.4 sizes are 7 bits a byte, but some writers put 8; the size after
      // which the next frame may start is the one meant.
      const uint64_t safe = BigEndian(body, at + 4, 4, 7);
      if (FrameMayStart(body, start + safe, idLength) ||
          !FrameMayStart(body, start + size, idLength)) {
        size = safe;
      }
    }
    if (size > body.size() - start) break;  // the rest of the tag was not read
    std::string_view data = body.substr(start, static_cast<size_t>(size));
    at = start + static_cast<size_t>(size);
    if (version >= 3) {
      const uint32_t format = ByteAt(body, start - 1);
      // Compressed and encrypted frames are not read; the grouping byte and
      // the data length come before the data.
      const bool skip = version == 3 ? (format & 0xC0) != 0 : (format & 0x0C) != 0;
      if (skip) continue;
      const size_t before = ((format & (version == 3 ? 0x20 : 0x40)) != 0 ? 1 : 0) +
                            (version == 4 && (format & 0x01) != 0 ? 4 : 0);
      if (before > data.size()) continue;
      data.remove_prefix(before);
      if (version == 4 && (unsynchronised || (format & 0x02) != 0)) {
        data = framePlain = Resynchronised(data);
      }
    }
    UseFrame(id, data, fields);
  }

  if (!fields.Title && !fields.Artist && !fields.Album && !fields.Year && !fields.Comment &&
      !fields.Track && !fields.Genre) {
    return std::nullopt;
  }
  Id3v1Block block{};
  std::memcpy(block.data(), "TAG", 3);
  auto put = [&](const std::optional<std::string>& text, size_t offset, size_t length) {
    if (text) text->copy(reinterpret_cast<char*>(block.data() + offset), length);
  };
  put(fields.Title, kTagTitleOffset, kTagTextLength);
  put(fields.Artist, kTagArtistOffset, kTagTextLength);
  put(fields.Album, kTagAlbumOffset, kTagTextLength);
  put(fields.Year, kTagYearOffset, kTagYearLength);
  put(fields.Comment, kTagCommentOffset, kTagTextLength);
  size_t used = 0;
  const std::optional<uint32_t> track = fields.Track ? Number(*fields.Track, used) : std::nullopt;
  if (track && *track >= 1 && *track <= 255 && (!fields.Comment || fields.Comment->size() <= 28)) {
    block[kTagCommentOffset + 28] = 0;
    block[kTagCommentOffset + 29] = static_cast<unsigned char>(*track);
  }
  block[kTagGenreOffset] = fields.Genre ? GenreByte(*fields.Genre) : 255;
  return block;
}

}  // namespace voltrak
