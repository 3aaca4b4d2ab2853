// The user's files in the real window: a copy onto its own source, a
// playlist that cannot be read, an output named as the playlist and a name
// too long to hold each leave every file as it was, and say so once.
#include <filesystem>
#include <string>

#include "tests/e2e/fixture.h"

namespace e2e {
namespace {

using NothingLost = VoltrakTest;

bool Named(const std::string& title, const std::string& name) { return title.rfind(name, 0) == 0; }

// Tracks listed under "MIX", copied into the folder the cancelled picker
// names "mix": one folder, in another case, and copies named as the tracks.
TEST_F(NothingLost, ACopyOntoItsOwnSourceIsSkippedWithoutABox) {
  std::filesystem::create_directories(scratch.Work + "\\MIX");
  const std::string song(5000, 'S');
  WriteText(scratch.Work + "\\MIX\\001-Alpha.mp3", song);
  const std::string list = scratch.Work + "\\mix.m3u";
  WriteText(list, "#EXTM3U\r\n#EXTINF:60,Alpha\r\n" + scratch.Work + "\\MIX\\001-Alpha.mp3\r\n");
  App app(scratch, ("\"" + list + "\"").c_str());
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "mix.m3u"); }));
  std::vector<Box> boxes = app.Run(kCopyTracks, [&](const Box& box) {
    app.Press(box, box.Caption == "Copy Tracks" ? IDYES
                   : box.Caption == "Creating and copying audio files" ? IDOK
                                                                       : IDCANCEL);
  });
  ASSERT_EQ(boxes.size(), 3u) << boxes.back().Caption << ": " << boxes.back().Text;
  EXPECT_EQ(ReadText(scratch.Work + "\\MIX\\001-Alpha.mp3"), song);
}

TEST_F(NothingLost, APlaylistThatCannotBeReadIsReportedAndNotPlanned) {
  const std::string unreadable = "Z:\\proc\\self\\mem";
  App app(scratch, unreadable.c_str());
  PressCannotOpen(app, unreadable);
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "Voltrak - "); }))
      << app.Title();
}

TEST_F(NothingLost, AnOutputNamedAsThePlaylistIsRefused) {
  WritePlaylist(scratch.Work, "mix.m3u", {60}, {1});
  const std::string list = scratch.Work + "\\list.cue";
  const std::string text = ReadText(scratch.Work + "\\mix.m3u");
  WriteText(list, text);
  App app(scratch, ("\"" + list + "\"").c_str());
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return Named(t, "list.cue"); }));
  std::vector<Box> boxes = app.Run(kCreateCue, [&](const Box& box) { app.Press(box, IDOK); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, "Error");
  EXPECT_EQ(boxes[0].Text, "\"" + list + "\" is the playlist itself: it was not written.");
  EXPECT_EQ(ReadText(list), text);
}

// A dropped name longer than a path may be is refused whole: cut to 259
// characters it named another playlist, which was loaded instead.
TEST_F(NothingLost, ANameTooLongIsRefusedNotCut) {
  const std::string folder = scratch.Work + "\\";
  const std::string cut = folder + std::string(259 - folder.size() - 4, 'n') + ".m3u";
  WriteText(cut, ReadText(KnownList()));
  const std::string dropped = cut + std::string(1000, 'x');
  App app(scratch, nullptr);
  ASSERT_NE(app.Main(), nullptr) << app.State();
  ASSERT_TRUE(app.Drop({dropped}, POINT{2, 2}));
  PressCannotOpen(app, dropped);
  EXPECT_TRUE(Named(app.Title(), "Voltrak - ")) << app.Title();
}

}  // namespace
}  // namespace e2e
