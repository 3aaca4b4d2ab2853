#include "app/settings_rules.h"

#include <gtest/gtest.h>

namespace voltrak {
namespace {

TEST(StoredModes, RangeRules) {
  EXPECT_EQ(FillModeFromStored(4), 1u);
  EXPECT_EQ(PathModeFromStored(5), 2u);
  EXPECT_EQ(DuplicateModeFromStored(5), 1u);
  EXPECT_EQ(DuplicateModeFromStored(7), 3u);
  // A negative number comes back from the profile functions as unsigned.
  EXPECT_EQ(FillModeFromStored(static_cast<uint32_t>(-1)), 0u);
  EXPECT_EQ(DuplicateModeFromStored(static_cast<uint32_t>(-1)), 3u);
  EXPECT_TRUE(AlwaysOnTopFromStored(7));
  EXPECT_FALSE(AlwaysOnTopFromStored(0));
}

TEST(SettingsFile, LivesInTheUsersApplicationData) {
  SettingsLocations at = SettingsLocationsFor("C:\\Users\\me\\AppData\\Roaming", "C:\\windows");
  EXPECT_EQ(at.Ours, "C:\\Users\\me\\AppData\\Roaming\\Voltrak\\Voltrak.INI");
  EXPECT_EQ(at.Legacy, "C:\\windows\\Voltrak.INI");
  EXPECT_EQ(SettingsFileToRead(at, true, true), at.Ours);
  EXPECT_EQ(SettingsFileToRead(at, false, false), at.Ours);
  EXPECT_FALSE(MustCarryOverLegacy(at, true, true));
  EXPECT_FALSE(MustCarryOverLegacy(at, false, false));
}

TEST(SettingsFile, AnEarlierInstallationsFileCarriesOver) {
  SettingsLocations at = SettingsLocationsFor("C:\\AppData\\", "C:\\windows\\");
  EXPECT_EQ(at.Ours, "C:\\AppData\\Voltrak\\Voltrak.INI");
  EXPECT_EQ(SettingsFileToRead(at, false, true), "C:\\windows\\Voltrak.INI");
  EXPECT_TRUE(MustCarryOverLegacy(at, false, true));
  // With no application-data folder the Windows folder is all there is.
  SettingsLocations bare = SettingsLocationsFor("", "C:\\windows");
  EXPECT_EQ(SettingsFileToRead(bare, false, false), "C:\\windows\\Voltrak.INI");
  EXPECT_FALSE(MustCarryOverLegacy(bare, false, true));
}

TEST(WindowPosition, EveryEdgeStrictlyInsideTheScreen) {
  // A 400 x 300 window on a 1024 x 768 screen.
  EXPECT_TRUE(StoredPositionFits(1, 1, 400, 300, 1024, 768));
  EXPECT_TRUE(StoredPositionFits(623, 467, 400, 300, 1024, 768));
  EXPECT_FALSE(StoredPositionFits(0, 100, 400, 300, 1024, 768));
  EXPECT_FALSE(StoredPositionFits(100, 0, 400, 300, 1024, 768));
  EXPECT_FALSE(StoredPositionFits(624, 100, 400, 300, 1024, 768));  // right edge on the screen's
  EXPECT_FALSE(StoredPositionFits(100, 468, 400, 300, 1024, 768));
  EXPECT_FALSE(StoredPositionFits(-100, 100, 400, 300, 1024, 768));
  EXPECT_FALSE(StoredPositionFits(5000, 100, 400, 300, 1024, 768));
  // Edges that would overflow 32 bits when summed stay outside.
  EXPECT_FALSE(StoredPositionFits(2147483600, 100, 400, 300, 1024, 768));
}

TEST(WindowPosition, NegativeEdgeIsWrittenUnsignedAndFailsNextTime) {
  EXPECT_EQ(StoredEdgeText(120), "120");
  EXPECT_EQ(StoredEdgeText(-8), "4294967288");
  int32_t readBack = static_cast<int32_t>(4294967288u);
  EXPECT_FALSE(StoredPositionFits(readBack, 100, 400, 300, 1024, 768));
}

}  // namespace
}  // namespace voltrak
