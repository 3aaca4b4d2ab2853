#include <gtest/gtest.h>

#include <random>

#include "playlist/m3u_format.h"

namespace voltrak {
namespace {

struct Flat {
  std::string info;  // "-" for none
  std::string path;
  bool operator==(const Flat& o) const { return info == o.info && path == o.path; }
};

std::vector<Flat> Parse(std::string_view text) {
  std::vector<Flat> flat;
  for (const M3uEntry& e : ParseM3u(text)) {
    flat.push_back({e.ExtendedInfo ? std::string(*e.ExtendedInfo) : "-", std::string(e.FilePath)});
  }
  return flat;
}

void PrintTo(const Flat& f, std::ostream* os) { *os << "{" << f.info << " | " << f.path << "}"; }

TEST(ParseM3u, HeaderOnlyWhenExactWithCrLf) {
  EXPECT_EQ(Parse("#EXTM3U\r\n#EXTINF:1,a\r\na.mp3\r\n"),
            (std::vector<Flat>{{"#EXTINF:1,a", "a.mp3"}}));
  // LF alone: the header line is an ordinary "#" line, kept for the first entry.
  EXPECT_EQ(Parse("#EXTM3U\na.mp3\n"), (std::vector<Flat>{{"#EXTM3U", "a.mp3"}}));
  EXPECT_EQ(Parse("#EXTM3U\n#EXTINF:5,x\na.mp3\n"), (std::vector<Flat>{{"#EXTINF:5,x", "a.mp3"}}));
  EXPECT_EQ(Parse("#extm3u\r\na.mp3"), (std::vector<Flat>{{"#extm3u", "a.mp3"}}));
}

TEST(ParseM3u, LineEndsAndBlankLinesAllReadAlike) {
  const std::vector<Flat> expected{{"#EXTINF:1,a", "a.mp3"}, {"-", "b.mp3"}};
  for (const char* text :
       {"#EXTM3U\r\n#EXTINF:1,a\r\na.mp3\r\nb.mp3\r\n", "#EXTINF:1,a\na.mp3\nb.mp3\n",
        "#EXTINF:1,a\ra.mp3\rb.mp3", "#EXTM3U\r\n\r\n\n#EXTINF:1,a\r\r\na.mp3\n\n\nb.mp3",
        "\r\n\r\n#EXTINF:1,a\r\na.mp3\r\n\r\nb.mp3\r\n\r\n"}) {
    EXPECT_EQ(Parse(text), expected) << text;
  }
}

TEST(ParseM3u, LastHashLineCountsAndTrailingOnesAreDropped) {
  EXPECT_EQ(Parse("#EXTINF:1,first\n#EXTINF:2,second\na.mp3\n#EXTINF:3,dangling\n"),
            (std::vector<Flat>{{"#EXTINF:2,second", "a.mp3"}}));
  EXPECT_EQ(Parse("# a comment\na.mp3"), (std::vector<Flat>{{"# a comment", "a.mp3"}}));
  EXPECT_TRUE(Parse("").empty());
  EXPECT_TRUE(Parse("#EXTM3U\r\n").empty());
  EXPECT_TRUE(Parse("#EXTINF:3,only\r\n\r\n").empty());
  EXPECT_EQ(Parse(" a.mp3 "), (std::vector<Flat>{{"-", " a.mp3 "}}));
}

// Lists as other players and editors write them: a byte-order mark first,
// and lines of their own between an #EXTINF: line and its path.
TEST(ParseM3u, ByteOrderMarkAndOtherPlayersLines) {
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string text;
    std::vector<Flat> entries;
  } cases[] = {
      {bom + "#EXTM3U\r\n#EXTINF:1,a\r\na.mp3\r\n", {{"#EXTINF:1,a", "a.mp3"}}},
      {bom + "#EXTINF:7,a\na.mp3\n", {{"#EXTINF:7,a", "a.mp3"}}},
      {bom + "a.mp3", {{"-", "a.mp3"}}},
      {"a.mp3\n" + bom + "b.mp3", {{"-", "a.mp3"}, {"-", bom + "b.mp3"}}},  // only at the start
      {"#EXTINF:215,A - B\n#EXTVLCOPT:start-time=10\n#EXTALB:1999 Hits\na.mp3",
       {{"#EXTINF:215,A - B", "a.mp3"}}},
      {"#EXTM3U\n#EXTINF:5,x\n# comment\na.mp3", {{"#EXTINF:5,x", "a.mp3"}}},
      {"#EXTALB:1999 Hits\n#EXTINF:5,x\na.mp3", {{"#EXTINF:5,x", "a.mp3"}}},
      {"#EXTALB:1999 Hits\na.mp3", {{"#EXTALB:1999 Hits", "a.mp3"}}},
      {"# one\n# two\na.mp3", {{"# two", "a.mp3"}}},
      {"#EXTINF:1,first\n#EXTGRP:x\n#EXTINF:2,second\na.mp3", {{"#EXTINF:2,second", "a.mp3"}}},
      {"#extinf:5,lower\n#EXTALB:x\na.mp3", {{"#EXTALB:x", "a.mp3"}}},  // the prefix is exact
      {"#EXTINF:9,a\na.mp3\n#EXTVLCOPT:x\nb.mp3",
       {{"#EXTINF:9,a", "a.mp3"}, {"#EXTVLCOPT:x", "b.mp3"}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parse(c.text), c.entries) << c.text;
    EXPECT_EQ(CountM3uEntries(c.text), c.entries.size()) << c.text;
  }
}

TEST(PlayLengthOf, ReadsDigitsAfterEightCharacters) {
  EXPECT_EQ(PlayLengthOf("#EXTINF:215,Artist - Title"), 215u);
  EXPECT_EQ(PlayLengthOf("#EXTINF:0245,A"), 245u);
  EXPECT_EQ(PlayLengthOf("#EXTINF: 245,A"), 0u);
  EXPECT_EQ(PlayLengthOf("#EXTINF:-1,Title"), 0u);
  EXPECT_EQ(PlayLengthOf("#EXTINF:"), 0u);
  EXPECT_EQ(PlayLengthOf("#EXTM3U"), 0u);
  EXPECT_EQ(PlayLengthOf("#COMMENT77"), 77u);  // whatever the first eight are
  EXPECT_EQ(PlayLengthOf("#EXTINF:4294967296,x"), 0u);  // modulo 2^32
  EXPECT_EQ(PlayLengthOf("#EXTINF:4294967301"), 5u);
}

class StringFile : public OutputFile {
 public:
  std::string bytes;
  bool Write(std::string_view b) override {
    bytes += b;
    return true;
  }
  uint32_t Close() override { return 0; }
};

TEST(M3uWriter, WritesHeaderAndLinesThatReadBackTheSame) {
  std::vector<MP3Information> records(3);
  records[0].SetTexts("#EXTINF:215,A - B", "Music\\a.mp3");
  records[1].SetTexts(std::nullopt, "C:\\b.mp3");
  records[2].SetTexts("# note \xe9", "\\\\srv\\c.mp3");
  StringFile file;
  M3uWriter(file, records);
  EXPECT_EQ(file.bytes,
            "#EXTM3U\r\n#EXTINF:215,A - B\r\nMusic\\a.mp3\r\nC:\\b.mp3\r\n# note \xe9\r\n"
            "\\\\srv\\c.mp3\r\n");
  EXPECT_EQ(Parse(file.bytes), (std::vector<Flat>{{"#EXTINF:215,A - B", "Music\\a.mp3"},
                                                  {"-", "C:\\b.mp3"},
                                                  {"# note \xe9", "\\\\srv\\c.mp3"}}));
}

// Any bytes parse; every entry is a non-empty line free of line ends, and
// the entries are exactly the non-"#" lines.
TEST(ParseM3u, RandomBytesAndLineEndMixesNeverFail) {
  std::mt19937 random(20261207);
  const char alphabet[] = {'\r', '\n', '#', 'a', '\\', ':', '\0', '\xff', ' ', 'E'};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    size_t length = random() % 200;
    for (size_t i = 0; i < length; ++i) {
      text += round % 2 ? alphabet[random() % sizeof alphabet]
                        : static_cast<char>(random() % 256);
    }
    if (round % 7 == 0) text = "#EXTM3U\r\n" + text;
    auto entries = ParseM3u(text);
    size_t pathLines = 0;
    std::string_view rest = text;
    if (rest.substr(0, 9) == "#EXTM3U\r\n") rest.remove_prefix(9);
    for (size_t pos = 0; pos < rest.size();) {
      size_t end = rest.find_first_of("\r\n", pos);
      if (end == std::string_view::npos) end = rest.size();
      if (end > pos && rest[pos] != '#') ++pathLines;
      pos = end + 1;
    }
    ASSERT_EQ(entries.size(), pathLines);
    for (const M3uEntry& e : entries) {
      ASSERT_FALSE(e.FilePath.empty());
      ASSERT_EQ(e.FilePath.find_first_of("\r\n"), std::string_view::npos);
      ASSERT_NE(e.FilePath[0], '#');
      if (e.ExtendedInfo) {
        ASSERT_EQ((*e.ExtendedInfo)[0], '#');
      }
    }
  }
}

}  // namespace
}  // namespace voltrak
