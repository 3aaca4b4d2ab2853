#include <gtest/gtest.h>

#include <cstring>

#include "playlist/track_record.h"

namespace voltrak {
namespace {

MP3Information Record(std::optional<std::string> info, std::optional<std::string> path) {
  MP3Information record;
  record.SetTexts(info, path);
  return record;
}

std::string NameOf(const MP3Information& record) {
  auto name = record.TrackName();
  return name ? std::string(*name) : std::string("<none>");
}

TEST(TrackName, FollowsCommaThenLastBackslashThenWholePath) {
  EXPECT_EQ(NameOf(Record("#EXTINF:215,Artist - Title", "x.mp3")), "Artist - Title");
  EXPECT_EQ(NameOf(Record("#EXTINF:215,", "x.mp3")), "");  // empty, not the file name
  EXPECT_EQ(NameOf(Record("#EXTINF:1,A, B, C", "x.mp3")), "A, B, C");
  EXPECT_EQ(NameOf(Record("#EXTINF:215", "Music\\Rock\\song.mp3")), "song.mp3");
  EXPECT_EQ(NameOf(Record(std::nullopt, "Music\\Rock\\song.mp3")), "song.mp3");
  EXPECT_EQ(NameOf(Record(std::nullopt, "song.mp3")), "song.mp3");
  EXPECT_EQ(NameOf(Record(std::nullopt, "Music/song.mp3")), "song.mp3");
  EXPECT_EQ(NameOf(Record(std::nullopt, "Music\\")), "");
  EXPECT_EQ(NameOf(Record("#EXTINF:1,x", std::nullopt)), "x");
  EXPECT_FALSE(Record(std::nullopt, std::nullopt).TrackName());
}

TEST(TrackName, SurvivesMovesOfShortAndLongTexts) {
  // Short texts live inside the string object and move with it.
  std::vector<MP3Information> records;
  records.push_back(Record("#,a", "b\\c"));
  records.push_back(Record(std::nullopt, std::string(200, 'p') + "\\long name.mp3"));
  std::vector<MP3Information> rebuilt;
  for (auto& record : records) rebuilt.push_back(std::move(record));
  records.clear();  // destroying the moved-from records releases nothing
  EXPECT_EQ(NameOf(rebuilt[0]), "a");
  EXPECT_EQ(NameOf(rebuilt[1]), "long name.mp3");
  MP3Information target;
  target = std::move(rebuilt[0]);
  EXPECT_EQ(NameOf(target), "a");
  EXPECT_FALSE(rebuilt[0].FilePath());
  EXPECT_FALSE(rebuilt[0].ExtendedInfo());
  EXPECT_FALSE(rebuilt[0].TrackName());
}

Id3v1Block Tag(std::string_view title, std::string_view artist = {}) {
  Id3v1Block tag{};
  std::memcpy(tag.data(), "TAG", 3);
  title.substr(0, 30).copy(reinterpret_cast<char*>(tag.data() + kTagTitleOffset), 30);
  artist.substr(0, 30).copy(reinterpret_cast<char*>(tag.data() + kTagArtistOffset), 30);
  tag[kTagGenreOffset] = 17;
  return tag;
}

TEST(NormalizeTag, ZeroesBlocksWithoutExactMarker) {
  Id3v1Block lower = Tag("Song");
  std::memcpy(lower.data(), "tag", 3);
  NormalizeTag(lower);
  EXPECT_EQ(lower, Id3v1Block{});
  Id3v1Block empty{};
  NormalizeTag(empty);
  EXPECT_EQ(empty, Id3v1Block{});
}

TEST(NormalizeTag, TrimsBlanksWithinEachFieldOnly) {
  MP3Information record;
  Id3v1Block tag = Tag("Title with blanks   ", "                              ");
  std::memcpy(tag.data() + kTagAlbumOffset, "Album\t ", 7);
  std::memcpy(tag.data() + kTagYearOffset, "1999", 4);
  record.SetTag(tag);
  EXPECT_EQ(record.TagTitle(), "Title with blanks");
  EXPECT_EQ(record.TagArtist(), "");
  EXPECT_EQ(record.TagAlbum(), "Album\t");  // only blanks are trimmed
  EXPECT_EQ(record.TagYear(), "1999");
  EXPECT_EQ(record.TagGenre(), 17);
  EXPECT_EQ(record.Tag()[0], 'T');
}

TEST(NormalizeTag, FullFieldsStayThirtyAndNeverRunIntoTheNext) {
  MP3Information record;
  record.SetTag(Tag(std::string(30, 'T'), "Five5"));
  EXPECT_EQ(record.TagTitle(), std::string(30, 'T'));
  EXPECT_EQ(record.TagArtist(), "Five5");
  // A title of 29 characters and a blank gets its terminator in its own last byte.
  record.SetTag(Tag(std::string(29, 'a') + " ", std::string(30, 'b')));
  EXPECT_EQ(record.TagTitle(), std::string(29, 'a'));
  EXPECT_EQ(record.TagArtist(), std::string(30, 'b'));
  EXPECT_EQ(record.Tag()[kTagArtistOffset], 'b');
}

// A field's text ends at its first NUL wherever that is, whatever follows,
// and fills all thirty bytes when there is none.
TEST(NormalizeTag, TextsEndAtTheirFirstNulAnywhere) {
  for (size_t length = 0; length <= kTagTextLength; ++length) {
    MP3Information record;
    Id3v1Block tag = Tag("", "");
    std::memset(tag.data() + kTagTitleOffset, 'x', kTagTextLength);
    std::memset(tag.data() + kTagArtistOffset, 'y', kTagTextLength);
    if (length < kTagTextLength) tag[kTagTitleOffset + length] = 0;
    record.SetTag(tag);
    EXPECT_EQ(record.TagTitle(), std::string(length, 'x')) << length;
    EXPECT_EQ(record.TagArtist(), std::string(kTagTextLength, 'y')) << length;
  }
}

TEST(Playlist, ResetDropsEveryRecordAndTotal) {
  Playlist playlist;
  playlist.Tracks.push_back(Record(std::nullopt, "a.mp3"));
  playlist.TotalSeconds = 5;
  playlist.TotalKB = 6;
  playlist.LoadErrors = 7;
  playlist.Reset();
  EXPECT_EQ(playlist.TrackCount(), 0u);
  EXPECT_EQ(playlist.Tracks.capacity(), 0u);
  EXPECT_EQ(playlist.TotalSeconds + playlist.TotalKB + playlist.LoadErrors, 0u);
}

}  // namespace
}  // namespace voltrak
