#include <gtest/gtest.h>

#include <string>

#include "playlist/id3v2.h"

namespace voltrak {
namespace {

using namespace std::string_literals;

std::string Be(size_t value, unsigned bits = 8, int bytes = 4) {
  std::string out;
  while (bytes-- > 0) out += static_cast<char>(value >> (bytes * bits) & ((1u << bits) - 1));
  return out;
}

// A frame of a tag of `version`; a three-letter id makes it 2.2's.
std::string Frame(int version, std::string_view id, std::string_view data, char format = 0) {
  if (id.size() == 3) return std::string(id) + Be(data.size(), 8, 3) + std::string(data);
  const std::string size = Be(data.size(), version == 4 ? 7 : 8);
  return std::string(id) + size + '\0' + format + std::string(data);
}
std::string Text(int version, std::string_view id, std::string_view text) {
  return Frame(version, id, "\0"s + std::string(text));
}

std::string Tag(int version, std::string_view body, char flags = 0) {
  return "ID3"s + char(version) + '\0' + flags + Be(body.size(), 7) + std::string(body);
}

std::string Unsynchronised(std::string_view bytes) {
  std::string out;
  for (char c : bytes) out += c == '\xFF' ? "\xFF\0"s : std::string(1, c);
  return out;
}

// The block as "title|artist|album|year|comment|track|genre", or "none".
std::string Fields(std::string_view head) {
  const std::optional<Id3v1Block> block = Id3v1FromId3v2(head);
  if (!block) return "none";
  std::string fields;
  for (auto [offset, length] : {std::pair{kTagTitleOffset, 30}, {kTagArtistOffset, 30},
                                {kTagAlbumOffset, 30}, {kTagYearOffset, 4},
                                {kTagCommentOffset, 30}}) {
    const std::string field(reinterpret_cast<const char*>(block->data() + offset), length);
    fields += field.substr(0, field.find('\0')) + "|";
  }
  const bool track = (*block)[125] == 0 && (*block)[126] != 0;
  return fields + (track ? std::to_string((*block)[126]) : "") + "|" +
         std::to_string((*block)[127]);
}

TEST(Id3v1FromId3v2, FieldsOfEachVersionEncodingAndLayout) {
  const std::string title40(40, 't'), long200 = std::string(200, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {Tag(3, Text(3, "TIT2", "Song") + Text(3, "TPE1", "Band") + Text(3, "TALB", "Album") +
                  Text(3, "TYER", "19991") + Text(3, "COMM", "eng\0Nice"s) +
                  Text(3, "TRCK", "4/10") + Text(3, "TCON", "(17)")),
       "Song|Band|Album|1999|Nice|4|17"},
      {Tag(2, Text(2, "TT2", "Song") + Text(2, "TYE", "1980") + Text(2, "COM", "eng\0Old"s) +
                  Text(2, "TCO", "rock")),
       "Song|||1980|Old||17"},
      // UTF-8 with a cut, an overlong and a four-byte sequence; UTF-16 both ways with a pair.
      {Tag(4, Frame(4, "TIT2", "\3Caf\xC3\xA9 \xCE\xA9 \xF0\x9D\x84\x9E \xC1\x81 \xC3") +
                  Frame(4, "TDRC", "\3" "2004-05-06") + Frame(4, "TCON", "\3Trip-Hop\0Rock"s)),
       "Caf\xE9 ? ? ? ?|||2004|||27"},
      {Tag(3, Frame(3, "TIT2", "\1\xFF\xFEH\0\xE9\0\x3D\xD8\x00\xDE!\0"s) +
                  Frame(3, "TPE1", "\1\xFE\xFF\0B\x03\xA9"s) + Frame(4, "TALB", "\2\0A\0\0\0Z"s)),
       "H\xE9?!|B?|A||||255"},
      // Cut at 30, and no track number where the comment leaves no room.
      {Tag(3, Text(3, "TIT2", title40) + Text(3, "COMM", "eng\0"s + std::string(29, 'c')) +
                  Text(3, "TRCK", "5")),
       std::string(30, 't') + "||||" + std::string(29, 'c') + "||255"},
      // The first comment without a description wins; a player's record never.
      {Tag(3, Text(3, "COMM", "engiTunNORM\0 000"s) + Text(3, "COMM", "engabout\0Described"s) +
                  Text(3, "COMM", "eng\0Plain"s) + Text(3, "COMM", "eng\0Later"s) +
                  Text(3, "TRCK", "256")),
       "||||Plain||255"},
      {Tag(3, Frame(3, "COMM", "\1eng\xFF\xFE\0\0\xFF\xFEo\0k\0"s) + Text(3, "TRCK", "0")),
       "||||ok||255"},
      // Unsynchronisation: of the whole tag before 2.4, of each frame in 2.4.
      {Tag(3, Unsynchronised(Text(3, "TIT2", "\xFF\xFFx") + Text(3, "TPE1", "y")), '\x80'),
       "\xFF\xFFx|y|||||255"},
      {Tag(4, Frame(4, "TIT2", Unsynchronised("\0\xFF" "a"s), 2) + Text(4, "TPE1", "\xFF")),
       "\xFF" "a|\xFF|||||255"},
      {Tag(4, Frame(4, "TIT2", Unsynchronised("\0\xFF" "b"s)), '\x80'), "\xFF" "b||||||255"},
      // Extended headers; compressed and encrypted frames passed over,
      // grouping and data length bytes taken off.
      {Tag(3, Be(6) + "\0\0\0\0\0\0"s + Frame(3, "TIT2", "xxxx\0zip"s, '\x80') +
                  Frame(3, "TIT2", "g\0Grouped"s, 0x20) + Frame(3, "TPE1", "e\0x"s, 0x40), 0x40),
       "Grouped||||||255"},
      {Tag(4, Be(6, 7) + "\1\0"s + Frame(4, "TIT2", "g" + Be(5, 7) + "\0Four"s, 0x41) +
                  Frame(4, "TPE1", "\0x"s, 0x08) + Frame(4, "TALB", "\0x"s, 0x04), 0x40),
       "Four||||||255"},
      // 2.4 sizes of 7 bits a byte before the padding, and of 8 as some write them.
      {Tag(4, Text(4, "TIT2", long200) + "\0\0"s), std::string(30, 'a') + "||||||255"},
      {Tag(4, Frame(4, "TXXX", long200) + "TXXX" + Be(256) + "\0\0"s + std::string(256, 'q') +
                  Text(4, "TIT2", "After")),
       "After||||||255"},
      {Tag(3, Text(3, "TIT2", "Kept") + "\0\0\0\0"s + Text(3, "TPE1", "padding")), "Kept||||||255"},
      {Tag(3, Text(3, "TSSE", "Lavf")), "none"},
      {Tag(2, Text(2, "TT2", "x"), 0x40), "none"},
      {Tag(5, Text(3, "TIT2", "x")), "none"},
      {"TAG" + std::string(125, 'x'), "none"},
  };
  for (const auto& [head, fields] : cases) EXPECT_EQ(Fields(head), fields) << head;
}

TEST(Id3v1FromId3v2, GenreByNumberOrNameElseNone) {
  const std::pair<const char*, int> genres[] = {
      {"(17)", 17}, {"(17)Rock", 17}, {"17", 17}, {"Trip-hop", 27}, {" Synthpop ", 147},
      {"A capella", 123}, {"((Rock", 255}, {"(RX)", 255}, {"(CR)Blues", 0}, {"300", 255},
      {"", 255}, {"Unknown", 255}, {"17a", 255}};
  for (auto [text, genre] : genres) {
    EXPECT_EQ(Fields(Tag(3, Text(3, "TCON", text))), "||||||" + std::to_string(genre)) << text;
  }
}

TEST(Id3v1FromId3v2, UsesTheFramesThatWereRead) {
  const std::string tag = Tag(3, Text(3, "TIT2", "First") + Text(3, "TPE1", "Second") + "\0\0"s);
  EXPECT_EQ(Fields(tag.substr(0, tag.size() - 2)), "First|Second|||||255");
  EXPECT_EQ(Fields(tag.substr(0, tag.size() - 3)), "First||||||255");
  EXPECT_EQ(Fields(tag.substr(0, 12)), "none");
  EXPECT_EQ(Fields(tag.substr(0, 9)), "none");
}

TEST(Id3v2TagSize, HeaderSizeAndFooter) {
  EXPECT_EQ(Id3v2TagSize("ID3\3\0\0\x7F\x7F\x7F\x7F"s), 10u + 0x0FFFFFFF);
  EXPECT_EQ(Id3v2TagSize("ID3\4\0\x10\0\0\x02\x01"s), 10u + 257 + 10);  // a footer
  EXPECT_EQ(Id3v2TagSize("ID3\3\0\x10\0\0\x02\x01"s), 10u + 257);       // only 2.4 has one
  for (std::string bad : {"ID3\3\0\0\0\0\x80\0"s, "ID3\xFF\0\0\0\0\0\0"s, "ID3\3\xFF\0\0\0\0\0"s,
                          "ID2\3\0\0\0\0\0\0"s, "ID3\3\0\0\0\0\0"s}) {
    EXPECT_FALSE(Id3v2TagSize(bad)) << bad;
  }
}

}  // namespace
}  // namespace voltrak
