#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "planning/media_table.h"
#include "planning/volume_planner.h"

namespace voltrak {
namespace {

// A loaded list with the given play lengths (or sizes) and totals summed as a
// load would sum them.
Playlist ListOf(std::initializer_list<uint32_t> lengths, std::initializer_list<uint32_t> sizes = {}) {
  Playlist list;
  for (uint32_t length : lengths) {
    MP3Information track;
    track.PlayLength = length;
    track.Volume = 99;  // a plan must overwrite what an earlier one left
    track.VolumeTrack = 99;
    list.TotalSeconds += length;
    list.Tracks.push_back(std::move(track));
  }
  size_t i = 0;
  for (uint32_t size : sizes) {
    list.Tracks[i++].FileSize = size;
    list.TotalKB += size;
  }
  return list;
}

std::vector<uint32_t> Volumes(const Playlist& list) {
  std::vector<uint32_t> v;
  for (const MP3Information& t : list.Tracks) v.push_back(t.Volume);
  return v;
}

std::vector<uint32_t> Positions(const Playlist& list) {
  std::vector<uint32_t> v;
  for (const MP3Information& t : list.Tracks) v.push_back(t.VolumeTrack);
  return v;
}

using V = std::vector<uint32_t>;

PlanningSettings TimeMode() {
  PlanningSettings s;
  ChooseFillMode(s, kFillByTime);
  return s;
}

TEST(MediaTable, ListTextsRoundCapacitiesDown) {
  auto texts = MediumListTexts();
  EXPECT_EQ(texts[0], "CDR (80mins,700mb)");
  EXPECT_EQ(texts[2], "Mini-CDR (21mins,185mb)");
  EXPECT_EQ(texts[7], "MiniDisc (ATRAC LP2 (80)) (157mins,0mb)");
  EXPECT_EQ(texts[10], "DVD-R???? (0mins,4796mb)");
  EXPECT_EQ(texts[14], "1g (0mins,1024mb)");
  EXPECT_EQ(texts[16], "Weeks (10080mins,0mb)");
}

TEST(PlanningSettings, StartValuesAndChoices) {
  PlanningSettings s;
  EXPECT_EQ(s.FillMode, kFillNoSplitting);
  EXPECT_EQ(s.MediumSeconds, MediaTable[0].Seconds);
  EXPECT_EQ(s.MediumKB, MediaTable[0].KB);
  EXPECT_EQ(s.ReserveSeconds + s.ReserveKB + s.MaximumVolumes, 0u);
  EXPECT_FALSE(s.ReservedSplit);

  // A medium sets both capacities whatever the mode, and keeps the reserves.
  s.ReserveSeconds = 7;
  s.ReserveKB = 8;
  EXPECT_TRUE(ChooseMedium(s, 10));
  EXPECT_EQ(s.MediumSeconds, 0u);
  EXPECT_EQ(s.MediumKB, 4911104u);
  EXPECT_EQ(s.ReserveSeconds, 7u);
  EXPECT_EQ(s.ReserveKB, 8u);
  EXPECT_FALSE(ChooseMedium(s, static_cast<size_t>(-1)));  // no selection
  EXPECT_EQ(s.MediumKB, 4911104u);

  EXPECT_TRUE(ChooseFillMode(s, kFillBySize));
  EXPECT_FALSE(ChooseFillMode(s, 3));
  EXPECT_EQ(s.FillMode, kFillBySize);
}

TEST(CapacityEntry, SignMakesTheValueRelative) {
  PlanningSettings s = TimeMode();
  EnterCapacity(s, CapacityField::kMedium, "+5:00");
  EXPECT_EQ(s.MediumSeconds, 5100u);
  EnterCapacity(s, CapacityField::kMedium, "-5:00");
  EXPECT_EQ(s.MediumSeconds, 4800u);
  EnterCapacity(s, CapacityField::kMedium, "5:00");
  EXPECT_EQ(s.MediumSeconds, 300u);
  EnterCapacity(s, CapacityField::kReserve, "1:00:00");
  EXPECT_EQ(s.ReserveSeconds, 3600u);
  EXPECT_EQ(s.MediumKB, 716800u);  // the size settings are not touched
  EXPECT_EQ(s.ReserveKB, 0u);

  // Below zero and past 2^32 both wrap, and say so.
  EXPECT_FALSE(EnterCapacity(s, CapacityField::kReserve, "-1:00:01"));
  EXPECT_EQ(s.ReserveSeconds, 4294967295u);
  EXPECT_FALSE(EnterCapacity(s, CapacityField::kReserve, "+2"));
  EXPECT_EQ(s.ReserveSeconds, 1u);
  EXPECT_TRUE(EnterCapacity(s, CapacityField::kReserve, "+1"));

  ChooseFillMode(s, kFillBySize);
  EnterCapacity(s, CapacityField::kMedium, "4796k");
  EXPECT_EQ(s.MediumKB, 4911104u);
  EnterCapacity(s, CapacityField::kReserve, "+50k");
  EXPECT_EQ(s.ReserveKB, 51200u);
  EXPECT_EQ(s.MediumSeconds, 300u);
  EXPECT_EQ(s.ReserveSeconds, 2u);
}

TEST(CapacityEntry, NoSplittingStoresNothing) {
  PlanningSettings s;
  PlanningSettings before = s;
  for (const char* text : {"5:00", "+5:00", "-5:00", ""}) {
    EnterCapacity(s, CapacityField::kMedium, text);
    EnterCapacity(s, CapacityField::kReserve, text);
  }
  EXPECT_EQ(s.MediumSeconds, before.MediumSeconds);
  EXPECT_EQ(s.MediumKB, before.MediumKB);
  EXPECT_EQ(s.ReserveSeconds, 0u);
  EXPECT_EQ(s.ReserveKB, 0u);
}

TEST(CapacityEntry, OnlyTheFieldsFirst1023CharactersCount) {
  PlanningSettings s = TimeMode();
  std::string text(1023, ' ');
  EnterCapacity(s, CapacityField::kMedium, text + "7");
  EXPECT_EQ(s.MediumSeconds, 0u);
  text.back() = '7';
  EnterCapacity(s, CapacityField::kMedium, text + "7");
  EXPECT_EQ(s.MediumSeconds, 7u);
}

TEST(MaximumVolumesText, ATextThatIsNotANumberIsZero) {
  EXPECT_EQ(ParseMaximumVolumes(" 12 "), 12u);
  EXPECT_EQ(ParseMaximumVolumes("4294967295"), 4294967295u);
  for (const char* text : {"4294967296", "", "abc", "12a", "-1", "1 2"}) {
    EXPECT_EQ(ParseMaximumVolumes(text), 0u) << text;
  }
}

TEST(PlanByTime, TrackThatExactlyFillsTheSpaceOpensTheNextVolume) {
  Playlist list = ListOf({2000, 2000, 800, 100});
  PlanTexts texts = PlanVolumes(TimeMode(), list, "C:\\Lists\\mix.m3u");
  EXPECT_EQ(Volumes(list), (V{0, 0, 1, 1}));
  EXPECT_EQ(Positions(list), (V{0, 1, 0, 1}));
  EXPECT_EQ(texts.Title, "mix.m3u - (2/2)  1:21:40/ 1:20:00");
  EXPECT_EQ(texts.PlayList, "1:21:40");
  EXPECT_EQ(texts.Medium, "1:20:00");
  EXPECT_EQ(texts.Reserve, "0:00:00");
  EXPECT_EQ(texts.TotalKB, "0");
}

TEST(PlanByTime, ReserveShrinksTheFirstVolume) {
  Playlist list = ListOf({2000, 2000, 800, 100});
  PlanningSettings s = TimeMode();
  EnterCapacity(s, CapacityField::kReserve, "1:00:00");
  PlanTexts texts = PlanVolumes(s, list, "C:\\Lists\\mix.m3u");
  EXPECT_EQ(Volumes(list), (V{1, 1, 2, 2}));
  EXPECT_EQ(Positions(list), (V{0, 1, 0, 1}));
  EXPECT_EQ(texts.Title, "mix.m3u - (3/2)  1:21:40/ 1:20:00");
  EXPECT_EQ(texts.Reserve, "1:00:00");

  // A reserve larger than the medium leaves no space at all.
  s.ReserveSeconds = 5000;
  PlanVolumes(s, list, "");
  EXPECT_EQ(Volumes(list), (V{1, 1, 2, 2}));
}

TEST(PlanByTime, ReservedSplitFillsOnlyTheFirstVolume) {
  PlanningSettings s = TimeMode();
  s.ReservedSplit = true;
  Playlist list = ListOf({3000, 1000, 2000, 500});
  PlanVolumes(s, list, "x.m3u");
  EXPECT_EQ(Volumes(list), (V{0, 0, 1, 1}));
  EXPECT_EQ(Positions(list), (V{0, 1, 0, 1}));

  // The first track already too long: volume 0 stays empty, all goes to 1.
  Playlist longFirst = ListOf({5000, 1, 1, 9000});
  PlanVolumes(s, longFirst, "x.m3u");
  EXPECT_EQ(Volumes(longFirst), (V{1, 1, 1, 1}));
  EXPECT_EQ(Positions(longFirst), (V{0, 1, 2, 3}));
}

TEST(PlanByTime, LongTracksSitAlone) {
  Playlist list = ListOf({100, 6000, 100, 9000, 9000, 100});
  PlanVolumes(TimeMode(), list, "x.m3u");
  EXPECT_EQ(Volumes(list), (V{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(Positions(list), (V{0, 0, 0, 0, 0, 0}));
}

TEST(PlanByTime, VolumeLimitLeavesOneMoreVolumeThanItsNumber) {
  Playlist list = ListOf({4000, 4000, 4000, 4000, 4000});
  PlanningSettings s = TimeMode();
  PlanVolumes(s, list, "x.m3u");
  ASSERT_EQ(Volumes(list), (V{0, 1, 2, 3, 4}));

  s.MaximumVolumes = ParseMaximumVolumes("1");
  PlanTexts texts = PlanVolumes(s, list, "x.m3u");
  EXPECT_EQ(Volumes(list), (V{0, 1, 1, 1, 1}));
  EXPECT_EQ(Positions(list), (V{0, 0, 0, 0, 0}));  // positions are left alone
  EXPECT_EQ(texts.Title, "x.m3u - (2/5)  5:33:20/ 1:20:00");

  s.MaximumVolumes = 9;  // a limit above the plan changes nothing
  PlanVolumes(s, list, "x.m3u");
  EXPECT_EQ(Volumes(list), (V{0, 1, 2, 3, 4}));
}

TEST(PlanByTime, CapacityZeroPutsTrackIIntoVolumeIPlusOne) {
  PlanningSettings s = TimeMode();
  ChooseMedium(s, 10);  // "DVD-R????" has no time
  Playlist list = ListOf({0, 1, 300, 0});
  PlanTexts texts = PlanVolumes(s, list, "C:\\a\\b.m3u");
  EXPECT_EQ(Volumes(list), (V{1, 2, 3, 4}));
  EXPECT_EQ(Positions(list), (V{0, 0, 0, 0}));
  EXPECT_EQ(texts.Title, "b.m3u");
  EXPECT_EQ(texts.Medium, "0:00:00");
}

TEST(PlanByTime, TitleHoursRunPastADay) {
  PlanningSettings s = TimeMode();
  ChooseMedium(s, 16);  // Weeks
  Playlist list = ListOf({86400, 86400, 3661});
  PlanTexts texts = PlanVolumes(s, list, "long.m3u");
  EXPECT_EQ(texts.Title, "long.m3u - (1/1) 49:01:01/168:00:00");
  EXPECT_EQ(texts.PlayList, "49:01:01");
  EXPECT_EQ(texts.Medium, "168:00:00");

  // An exact multiple of the medium still counts one more.
  ChooseMedium(s, 15);  // Days
  Playlist days = ListOf({40000, 40000, 6400, 86400});
  texts = PlanVolumes(s, days, "d.m3u");
  EXPECT_EQ(Volumes(days), (V{0, 0, 1, 2}));
  EXPECT_EQ(texts.Title, "d.m3u - (3/3) 48:00:00/24:00:00");
}

TEST(HoursMinutesSeconds, PadsOnlyAShortHour) {
  const struct {
    uint32_t seconds;
    bool pad;
    const char* text;
  } cases[] = {
      {0, false, "0:00:00"},   {0, true, " 0:00:00"},           {4800, true, " 1:20:00"},
      {35999, true, " 9:59:59"}, {36000, true, "10:00:00"},     {604800, false, "168:00:00"},
      {4294967295u, true, "1193046:28:15"},
  };
  for (const auto& c : cases) EXPECT_EQ(HoursMinutesSeconds(c.seconds, c.pad), c.text) << c.seconds;
}

TEST(PlanBySize, SameRuleOnKilobytes) {
  PlanningSettings s;
  ChooseFillMode(s, kFillBySize);
  EnterCapacity(s, CapacityField::kMedium, "700k");
  Playlist list = ListOf({1, 1, 1, 1, 1}, {400000, 316800, 316799, 400000, 1});
  PlanTexts texts = PlanVolumes(s, list, "Z:\\music\\big.m3u");
  EXPECT_EQ(Volumes(list), (V{0, 1, 1, 2, 2}));
  EXPECT_EQ(Positions(list), (V{0, 0, 1, 0, 1}));
  EXPECT_EQ(texts.Title, "big.m3u - (3) 1433600 716800");
  EXPECT_EQ(texts.PlayList, "1433600");
  EXPECT_EQ(texts.Medium, "716800");
  EXPECT_EQ(texts.Reserve, "0");
  EXPECT_EQ(texts.TotalKB, "1433600");

  // Without a size the title is only the file name.
  ChooseMedium(s, 0);
  s.MediumKB = 0;
  texts = PlanVolumes(s, list, "big.m3u");
  EXPECT_EQ(texts.Title, "big.m3u");
}

TEST(PlanWithoutSplitting, OneVolumeAndEmptyReadOuts) {
  Playlist list = ListOf({5000, 5000, 5000}, {10, 20, 30});
  PlanningSettings s;
  s.MaximumVolumes = 1;
  s.ReservedSplit = true;
  PlanTexts texts = PlanVolumes(s, list, "C:\\Lists\\mix.m3u");
  EXPECT_EQ(Volumes(list), (V{0, 0, 0}));
  EXPECT_EQ(Positions(list), (V{0, 1, 2}));
  EXPECT_EQ(texts.PlayList, "");
  EXPECT_EQ(texts.Medium, "");
  EXPECT_EQ(texts.Reserve, "");
  EXPECT_EQ(texts.TotalKB, "60");
  EXPECT_EQ(texts.Title, "mix.m3u");
}

TEST(PlanTitle, ProgramNameWhenThereIsNothingToShow) {
  const std::string credit = std::string("Voltrak - ") + kAuthorCredit;
  PlanningSettings s = TimeMode();
  Playlist empty;
  EXPECT_EQ(PlanVolumes(s, empty, "C:\\x.m3u").Title, credit);

  Playlist list = ListOf({10});
  EXPECT_EQ(PlanVolumes(s, list, "").Title, credit);  // after Reset
  s.MediumSeconds = 0;
  s.MediumKB = 0;
  EXPECT_EQ(PlanVolumes(s, list, "C:\\x.m3u").Title, credit);
  s.MediumKB = 1;  // either capacity is enough for the file name
  EXPECT_EQ(PlanVolumes(s, list, "C:\\x.m3u").Title, "x.m3u");

  // No total time: only the file name; no backslash: the whole path.
  Playlist silent = ListOf({0, 0});
  EXPECT_EQ(PlanVolumes(TimeMode(), silent, "list.m3u").Title, "list.m3u");
  EXPECT_LE(credit.size(), 40u);
}

TEST(PlanReadOuts, TotalsWrapAsLoaded) {
  // Sums past 2^32 wrap in the load; the plan shows what it was given.
  Playlist list = ListOf({4294967295u, 2});
  EXPECT_EQ(list.TotalSeconds, 1u);
  PlanTexts texts = PlanVolumes(TimeMode(), list, "w.m3u");
  EXPECT_EQ(texts.PlayList, "0:00:01");
  EXPECT_EQ(texts.Title, "w.m3u - (3/1)  0:00:01/ 1:20:00");
  EXPECT_EQ(Volumes(list), (V{1, 2}));
}

}  // namespace
}  // namespace voltrak
