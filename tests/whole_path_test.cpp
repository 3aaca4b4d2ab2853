#include <gtest/gtest.h>

#include <filesystem>

#include "support/whole_path.h"
#include "tests/test_support.h"

namespace voltrak {
namespace {

// Works in a scratch folder as the current one, and goes back afterwards.
class WholePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(NativeFolder());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }
  std::filesystem::path NativeFolder() const;

  testing::ScratchFolder folder;
  std::filesystem::path previous_;
};

std::filesystem::path WholePathTest::NativeFolder() const {
#ifdef _WIN32
  return folder.Path();
#else
  std::string posix = "/" + folder.Path().substr(3);  // Z:\tmp\x is /tmp/x
  for (char& c : posix) {
    if (c == '\\') c = '/';
  }
  return posix;
#endif
}

TEST_F(WholePathTest, NamesWithoutARootGetTheCurrentFolderOrDrive) {
  const std::string here = folder.Path();
  const std::string drive = here.substr(0, 2);
  const struct {
    std::string given, whole;
  } cases[] = {
      {"mix.m3u", here + "\\mix.m3u"},
      {"Lists\\mix.m3u", here + "\\Lists\\mix.m3u"},
      {"a\\..\\mix.m3u", here + "\\mix.m3u"},
      {".\\mix.m3u", here + "\\mix.m3u"},
      {"\\Lists\\mix.m3u", drive + "\\Lists\\mix.m3u"},
      // Already whole, or empty: byte for byte, odd parts and all.
      {"C:\\Lists\\..\\mix.m3u", "C:\\Lists\\..\\mix.m3u"},
      {"d:\\x\\mix.m3u", "d:\\x\\mix.m3u"},
      {"\\\\srv\\share\\mix.m3u", "\\\\srv\\share\\mix.m3u"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(WholePath(c.given), c.whole) << c.given;
}

TEST(IsWholePath, OnlyARootedDriveOrAShare) {
  for (const char* whole : {"C:\\a.m3u", "z:\\", "\\\\srv\\s\\a.m3u"}) {
    EXPECT_TRUE(IsWholePath(whole)) << whole;
  }
  for (const char* part : {"", "mix.m3u", "\\Lists\\mix.m3u", "C:mix.m3u", "mi", "1:\\a"}) {
    EXPECT_FALSE(IsWholePath(part)) << part;
  }
}

}  // namespace
}  // namespace voltrak
