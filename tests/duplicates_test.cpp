#include "playlist/duplicates.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/test_support.h"

namespace voltrak {
namespace {

using testing::ScriptedLoadHost;

// Entries by path; "#name" after a path gives the entry that display name.
Playlist ListOf(std::initializer_list<std::pair<const char*, uint32_t>> entries) {
  Playlist playlist;
  for (const auto& [path, seconds] : entries) {
    MP3Information record;
    std::string_view text(path);
    size_t hash = text.find('#');
    std::optional<std::string> info;
    if (hash != std::string_view::npos) {
      info = "#EXTINF:" + std::to_string(seconds) + "," + std::string(text.substr(hash + 1));
      text = text.substr(0, hash);
    }
    record.SetTexts(info, text.empty() ? std::nullopt : std::optional<std::string_view>(text));
    record.PlayLength = seconds;
    record.FileSize = seconds / 10;
    playlist.TotalSeconds += seconds;
    playlist.TotalKB += record.FileSize;
    playlist.Tracks.push_back(std::move(record));
  }
  return playlist;
}

std::vector<std::string> PathsOf(const Playlist& playlist) {
  std::vector<std::string> paths;
  for (const auto& record : playlist.Tracks) {
    paths.push_back(std::string(record.FilePath().value_or("-")) + "/" + std::to_string(record.PlayLength));
  }
  return paths;
}

TEST(RemoveDuplicates, KeepFirstAndKeepLastKeepOneOfEachGroupInListOrder) {
  const struct {
    DuplicateHandling mode;
    const char* pending;
    std::vector<std::string> kept;
    const char* message;
  } cases[] = {
      {kKeepFirstDuplicates, "", {"A.mp3/10", "B.mp3/20"}, "Duplicates removed."},
      {kKeepFirstDuplicates, "Path changed.", {"A.mp3/10", "B.mp3/20"},
       "Duplicates removed and paths changed."},
      {kKeepLastDuplicates, "", {"B.mp3/20", "A.mp3/30"}, "Duplicates removed."},
      {kKeepAllDuplicates, "", {"A.mp3/10", "B.mp3/20", "A.mp3/30"}, ""},
  };
  for (const auto& c : cases) {
    Playlist playlist = ListOf({{"A.mp3", 10}, {"B.mp3", 20}, {"A.mp3", 30}});
    ScriptedLoadHost host;
    EXPECT_EQ(RemoveDuplicates(c.mode, playlist, c.pending, host), c.message) << c.mode;
    EXPECT_EQ(PathsOf(playlist), c.kept) << c.mode;
    uint32_t seconds = 0, kilobytes = 0;
    for (const auto& record : playlist.Tracks) {
      seconds += record.PlayLength;
      kilobytes += record.FileSize;
    }
    EXPECT_EQ(playlist.TotalSeconds, seconds);
    EXPECT_EQ(playlist.TotalKB, kilobytes);
    EXPECT_TRUE(host.CallsStartingWith("ask").empty());
  }
  Playlist playlist = ListOf({{"A.mp3", 10}, {"A.mp3", 30}});
  ScriptedLoadHost host;
  RemoveDuplicates(kKeepFirstDuplicates, playlist, "", host);
  EXPECT_EQ(host.Calls, (std::vector<std::string>{
                            "trace Compared \"A.mp3\" & \"A.mp3\" (TrackName)",
                            "trace Compared \"A.mp3\" & \"A.mp3\" (FilePath)", "trace \r\n"}));
}

TEST(RemoveDuplicates, OnlyTheSameNameAndPathByteForByteAreDuplicates) {
  for (DuplicateHandling mode : {kQueryDuplicates, kKeepFirstDuplicates, kKeepLastDuplicates}) {
    // The same file name in other folders; paths that differ in case; a
    // display name that differs; entries without a path at all.
    Playlist playlist = ListOf({{"C:\\a\\x.mp3", 1}, {"C:\\b\\x.mp3", 2}, {"C:\\A\\X.MP3", 3},
                                {"C:\\a\\x.mp3#Other", 4}, {"#Nameless", 5}, {"#Nameless", 6}});
    ScriptedLoadHost host;
    EXPECT_EQ(RemoveDuplicates(mode, playlist, "", host), "") << mode;
    EXPECT_EQ(playlist.TrackCount(), 6u) << mode;
    EXPECT_TRUE(host.CallsStartingWith("ask").empty());
  }
}

TEST(RemoveDuplicates, QueryAsksFromTheEndAndStopCheckingTakesEverythingBack) {
  Playlist playlist = ListOf({{"A.mp3", 1}, {"B.mp3", 2}, {"A.mp3", 3}, {"B.mp3", 4}});
  ScriptedLoadHost host;
  host.DuplicateAnswers = {DuplicateAnswer::kRemoveSecond, DuplicateAnswer::kStopChecking};
  EXPECT_EQ(RemoveDuplicates(kQueryDuplicates, playlist, "Path changed.", host), "Path changed.");
  EXPECT_EQ(host.CallsStartingWith("ask"), (std::vector<std::string>{"ask 1 3", "ask 0 2"}));
  EXPECT_EQ(playlist.TrackCount(), 4u);

  // Of three equal entries, removing the middle one skips the pair it was in.
  Playlist three = ListOf({{"A.mp3", 1}, {"A.mp3", 2}, {"A.mp3", 3}, {"B.mp3", 4}});
  ScriptedLoadHost asked;
  asked.DuplicateAnswers = {DuplicateAnswer::kRemoveFirst};
  EXPECT_EQ(RemoveDuplicates(kQueryDuplicates, three, "", asked), "Duplicates removed.");
  EXPECT_EQ(asked.CallsStartingWith("ask"), std::vector<std::string>{"ask 1 2"});
  EXPECT_EQ(PathsOf(three), (std::vector<std::string>{"A.mp3/1", "A.mp3/3", "B.mp3/4"}));
  EXPECT_EQ(three.TotalSeconds, 8u);
}

TEST(DuplicatePanelTexts, WhatEachPanelShows) {
  Playlist playlist = ListOf({{"C:\\a.mp3#Band - Song", 3725}});
  MP3Information& record = playlist.Tracks[0];
  Id3v1Block tag{};
  std::memcpy(tag.data(), "TAG", 3);
  std::memcpy(tag.data() + kTagArtistOffset, "Band", 4);  // no title, an artist
  record.SetTag(tag);
  DuplicatePanelTexts texts = DuplicatePanelTextsOf(EntryRef{7, &record});
  EXPECT_EQ(texts.FileName, "C:\\a.mp3");
  EXPECT_EQ(texts.PlayLength, "62:05");
  EXPECT_EQ(texts.FileSize, "372");
  EXPECT_EQ(texts.Entry, "8");
  EXPECT_EQ(texts.ExtendedInformation, "Band - Song");
  EXPECT_EQ(texts.Title, "");
  EXPECT_EQ(texts.Artist, "Band");
  record.SetTexts("#EXTINF:12", record.FilePath());  // no comma: the whole line, marker and all
  EXPECT_EQ(DuplicatePanelTextsOf(EntryRef{0, &record}).ExtendedInformation, "#EXTINF:12");
  record.SetTexts(std::nullopt, record.FilePath());
  EXPECT_EQ(DuplicatePanelTextsOf(EntryRef{0, &record}).ExtendedInformation, "");
}

}  // namespace
}  // namespace voltrak
