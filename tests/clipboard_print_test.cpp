// The list as text for people: the clipboard's three shapes byte for byte,
// the block they are written into, the lyrics address, and the printout's
// pages.
#include <gtest/gtest.h>

#include <vector>

#include "outputs/clipboard_text.h"
#include "outputs/printout.h"
#include "tests/test_support.h"

namespace voltrak {
namespace {

using testing::RecordOf;

MP3Information Entry(const char* info, std::string_view path, uint32_t seconds,
                     std::string_view title = {}, std::string_view artist = {},
                     std::string_view album = {}) {
  MP3Information record = RecordOf(path, title, artist, album);
  if (info) record.SetTexts(info, record.FilePath());
  record.PlayLength = seconds;
  return record;
}

template <typename... Records>
Playlist ListOf(Records... records) {
  Playlist list;
  (list.Tracks.push_back(std::move(records)), ...);
  for (const MP3Information& record : list.Tracks) list.TotalSeconds += record.PlayLength;
  return list;
}

// Hands out blocks with guard bytes behind them, and can have none.
class GuardedBlocks : public TextBlockHost {
 public:
  static constexpr unsigned char kGuard = 0xAB;
  char* Allocate(size_t size) override {
    if (refuse) return nullptr;
    requested = size;
    bytes.assign(size + 16, static_cast<char>(kGuard));
    return bytes.data();
  }
  bool GuardsIntact() const {
    for (size_t i = requested; i < bytes.size(); ++i) {
      if (static_cast<unsigned char>(bytes[i]) != kGuard) return false;
    }
    return true;
  }
  bool refuse = false;
  size_t requested = 0;
  std::vector<char> bytes;
};

TEST(ClipboardText, NumberedListWithItsTotals) {
  Playlist list = ListOf(
      Entry("#EXTINF:4500,Big Band - Night Train", "C:\\Music\\train.mp3", 4500),
      // No extended information, and no play length: the path, and no time.
      Entry(nullptr, "C:\\Music\\loose end.mp3", 0),
      // Extended information without a title: the path too.
      Entry("#EXTINF:30", "C:\\Music\\short.mp3", 30));
  // Averages past an hour still read as minutes.
  list.TotalSeconds = 3 * 4500;
  EXPECT_EQ(ListText(ListTextShape::kNumbered, list, "C:\\Lists\\road.trip.m3u"),
            "road.trip\r\n"
            "Total tracks: 3\r\n"
            "Total time:  3:45:00\r\n"
            "Average time: 75:00\r\n"
            "  1 Big Band - Night Train\t75:00\r\n"
            "  2 C:\\Music\\loose end.mp3\r\n"
            "  3 C:\\Music\\short.mp3\t0:30\r\n"
            "\r\n\r\n");
  // A playlist name without an extension is kept whole.
  EXPECT_EQ(ListText(ListTextShape::kNumbered, list, "C:\\Lists\\mix").rfind("mix\r\nTotal", 0), 0u);
}

TEST(ClipboardText, GroupedByExactFolderWithFormFeedsBetween) {
  Playlist list = ListOf(Entry(nullptr, "loose.mp3", 0), Entry(nullptr, "C:\\Music\\b2.mp3", 0),
                         Entry(nullptr, "C:\\MUSIC\\c.mp3", 0),
                         Entry(nullptr, "C:\\Music\\Sub\\d.mp3", 0),
                         Entry(nullptr, "C:\\Music\\b.mp3", 0),
                         Entry(nullptr, "C:\\music\\a.mp3", 0));
  // Sorted by path without regard to case, grouped by the exact bytes; a
  // path without a folder has no folder line.
  EXPECT_EQ(ListText(ListTextShape::kGroupedByFolder, list, "C:\\Lists\\mix.m3u"),
            "C:\\music\r\na.mp3\r\n"
            "\fC:\\Music\r\nb.mp3\r\nb2.mp3\r\n"
            "\fC:\\MUSIC\r\nc.mp3\r\n"
            "\fC:\\Music\\Sub\r\nd.mp3\r\n"
            "\floose.mp3\r\n");
}

TEST(ClipboardText, TheBlockHoldsLongNamesWholeAndNothingMore) {
  const std::string longPath = "C:\\" + std::string(300, 'f') + "\\" + std::string(600, 'n');
  Playlist list = ListOf(Entry(("#EXTINF:5" + std::string(300, 'x')).c_str(), longPath, 5),
                         Entry(("#EXTINF:5," + std::string(700, 't')).c_str(), "C:\\a.mp3", 5),
                         Entry(nullptr, std::string("C:\\b\0.mp3", 9), 5));
  // A NUL ends a name, as every text of the program: inside the block it
  // would end the clipboard's text there.
  list.Tracks[2].SetTexts(std::string_view("#EXTINF:5,t\0x", 13), list.Tracks[2].FilePath());
  for (ListTextShape shape : {ListTextShape::kNumbered, ListTextShape::kGroupedByFolder}) {
    GuardedBlocks blocks;
    ASSERT_EQ(WriteListText(shape, list, "C:\\mix.m3u", blocks), ListTextResult::kWritten);
    const std::string text = ListText(shape, list, "C:\\mix.m3u");
    EXPECT_NE(text.find(std::string(600, 'n')), std::string::npos);
    EXPECT_EQ(blocks.requested, text.size() + 1);
    EXPECT_EQ(std::string(blocks.bytes.data()), text);
    EXPECT_TRUE(blocks.GuardsIntact());
  }
  EXPECT_NE(ListText(ListTextShape::kNumbered, list, "C:\\mix.m3u").find(std::string(700, 't')),
            std::string::npos);

  GuardedBlocks none;
  none.refuse = true;
  EXPECT_EQ(WriteListText(ListTextShape::kNumbered, list, "C:\\mix.m3u", none),
            ListTextResult::kNoBlock);
  EXPECT_EQ(WriteListText(ListTextShape::kGroupedByFolder, Playlist(), "C:\\mix.m3u", none),
            ListTextResult::kNoList);
}

TEST(ClipboardText, LyricsAddressAndTheSingleTrack) {
  const std::string site = kLyricsSite;
  const struct {
    const char* title;
    const char* artist;
    const char* album;
    const char* path;
  } cases[] = {
      {"Night Train", "Big Band", "Live", "/lyrics/big_band/live/night_train"},
      {"Night Train   ", "  ABBA Tribute", "Gold", "/lyrics/__abba_tribute/gold/night_train"},
      {"", "", "", "/lyrics///"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LyricsAddress(RecordOf("x.mp3", c.title, c.artist, c.album)), site + c.path) << c.path;
  }
  // A block that does not start with "TAG" is no tag at all.
  MP3Information stray = RecordOf("x.mp3");
  Id3v1Block block = RecordOf("x.mp3", "Night Train").Tag();
  block[0] = 'X';
  stray.SetTag(block);
  EXPECT_EQ(LyricsAddress(stray), site + "/lyrics///");

  Playlist list = ListOf(Entry("#EXTINF:1,One", "C:\\a\\1.mp3", 1),
                         Entry("#EXTINF:2,Big Band - Night Train", "C:\\a\\2.mp3", 2,
                               "Night Train", "Big Band", "Live"),
                         Entry("#EXTINF:3", "C:\\a\\3.mp3", 3));
  const std::string address = "\r\n" + site + "/lyrics/big_band/live/night_train";
  EXPECT_EQ(SingleTrackText(list, 1, true), "Big Band - Night Train" + address);
  EXPECT_EQ(SingleTrackText(list, 1, false), "C:\\a\\2.mp3" + address);
  EXPECT_EQ(SingleTrackText(list, 2, true), "C:\\a\\3.mp3\r\n" + site + "/lyrics///");
  EXPECT_EQ(SingleTrackText(list, 3, true), std::nullopt);
  list.Tracks[0].SetTexts(std::string_view("#EXTINF:1,O\0ne", 14), list.Tracks[0].FilePath());
  EXPECT_EQ(SingleTrackText(list, 0, true), "O\r\n" + site + "/lyrics///");
}

class RecordingSurface : public PrintSurface {
 public:
  void StartPage() override { calls.push_back("start"); }
  void DrawLine(int x, int y, std::string_view text) override {
    calls.push_back(std::to_string(x) + "," + std::to_string(y) + " " + std::string(text));
  }
  void EndPage() override { calls.push_back("end"); }
  std::vector<std::string> calls;
};

TEST(Printout, LinesPerPageIsNeverZero) {
  EXPECT_EQ(LinesPerPage(6600, 100), 66u);
  EXPECT_EQ(LinesPerPage(6650, 100), 66u);
  EXPECT_EQ(LinesPerPage(50, 100), 1u);
  EXPECT_EQ(LinesPerPage(6600, 0), 1u);
  EXPECT_EQ(LinesPerPage(0, 100), 1u);
}

TEST(Printout, PagesEndWhenFullAndTheNextStartsAtTheTop) {
  auto three = [] {
    return ListOf(Entry("#EXTINF:65,One", "C:\\a\\1.mp3", 65), Entry(nullptr, "C:\\a\\2.mp3", 600),
                  Entry("#EXTINF:7", "C:\\a\\3.mp3", 7));
  };
  // Three lines to a page of 60 units: three tracks fill one page exactly.
  RecordingSurface onePage;
  PrintList(three(), 60, 20, onePage);
  const std::vector<std::string> page1 = {"start", "50,50   1  1   1  1:05 One",
                                          "50,70   2  1   2 10:00 C:\\a\\2.mp3",
                                          "50,90   3  1   3  0:07 C:\\a\\3.mp3", "end"};
  EXPECT_EQ(onePage.calls, page1);

  // One more starts a second page, its line at the top again.
  Playlist four = three();
  four.Tracks.push_back(Entry("#EXTINF:6000,Four", "C:\\a\\4.mp3", 6000));
  four.Tracks.back().Volume = 1;
  RecordingSurface twoPages;
  PrintList(four, 60, 20, twoPages);
  std::vector<std::string> pages = page1;
  for (const char* call : {"start", "50,50   4  2   1 100:00 Four", "end"}) pages.push_back(call);
  EXPECT_EQ(twoPages.calls, pages);

  RecordingSurface empty;
  PrintList(Playlist(), 60, 20, empty);
  EXPECT_EQ(empty.calls, (std::vector<std::string>{"start", "end"}));
}

}  // namespace
}  // namespace voltrak
