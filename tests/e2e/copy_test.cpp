// Copy tracks in the real window: the question, the picker, the folder's
// message, the copies themselves, and a drop held back until the copy ends.
#include <string>

#include "tests/e2e/fixture.h"

namespace e2e {
namespace {

using Copy = VoltrakTest;

FILETIME WrittenAt(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

TEST_F(Copy, CancelledPickerCopiesBesideTheListAndHoldsADrop) {
  const std::string list = KnownList();
  const std::string other = WritePlaylist(scratch.Work, "other.m3u", {60}, {1});
  App app(scratch, ("\"" + list + "\"").c_str());
  ASSERT_TRUE(app.WaitForTitle([](const std::string& t) { return t.rfind("mix.m3u", 0) == 0; }))
      << app.Title();
  std::string titleWhileHeld;
  std::vector<Box> boxes = app.Run(kCopyTracks, [&](const Box& box) {
    if (box.Caption == "Copy Tracks") {
      app.Press(box, IDYES);
    } else if (box.Caption == "Creating and copying audio files") {
      // Sent while the copy is under way: it returns once held, and must
      // wait for the copy to end.
      EXPECT_TRUE(app.Drop({other}, POINT{2, 2}, 5000));
      titleWhileHeld = app.Title();
      app.Press(box, IDOK);
    } else {
      app.Press(box, IDCANCEL);  // the folder picker
    }
  });
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].Text, "You have selected to copy 4 tracks.");
  const std::string folder = scratch.Work + "\\mix";
  EXPECT_EQ(boxes[2].Text, folder);
  EXPECT_EQ(titleWhileHeld.rfind("mix.m3u", 0), 0u) << titleWhileHeld;
  for (int i = 1; i <= 4; ++i) {
    WIN32_FIND_DATAA found;
    const std::string pattern = folder + "\\00" + std::to_string(i) + "-*";
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << pattern;
    FindClose(search);
    const std::string copy = folder + "\\" + found.cFileName;
    const std::string source = scratch.Work + "\\track" + std::to_string(i) + ".mp3";
    EXPECT_EQ(ReadText(copy), ReadText(source)) << copy;
    const FILETIME copied = WrittenAt(copy), original = WrittenAt(source);
    EXPECT_EQ(CompareFileTime(&copied, &original), 0) << copy;
  }
  EXPECT_TRUE(app.WaitForTitle([](const std::string& t) { return t.rfind("other.m3u", 0) == 0; }))
      << app.Title();
}

}  // namespace
}  // namespace e2e
