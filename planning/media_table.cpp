#include "planning/media_table.h"

#include <cstdio>

namespace voltrak {

const std::array<MediumSpec, kMediumCount> MediaTable = {{
    {"CDR", 4800, 716800},
    {"CDRW", 4320, 665600},
    {"Mini-CDR", 1260, 189440},
    {"Mini-CDRW", 1440, 215040},
    {"MiniDisc (74 MDLP)", 4440, 0},
    {"MiniDisc (80 MDLP)", 4800, 0},
    {"MiniDisc (ATRAC LP2 (74))", 8700, 0},
    {"MiniDisc (ATRAC LP2 (80))", 9420, 0},
    {"MiniDisc (ATRAC LP4 (74))", 18000, 0},
    {"MiniDisc (ATRAC LP4 (80))", 19200, 0},
    {"DVD-R????", 0, 4911104},
    {"128m", 0, 131072},
    {"256m", 0, 262144},
    {"512m", 0, 524288},
    {"1g", 0, 1048576},
    {"Days", 86400, 0},
    {"Weeks", 604800, 0},
}};

std::string MediumListText(const MediumSpec& medium) {
  char numbers[48];
  std::snprintf(numbers, sizeof numbers, " (%umins,%umb)",
                static_cast<unsigned>(medium.Seconds / 60),
                static_cast<unsigned>(medium.KB / 1024));
  return std::string(medium.Caption) + numbers;
}

std::array<std::string, kMediumCount> MediumListTexts() {
  std::array<std::string, kMediumCount> texts;
  for (size_t row = 0; row < kMediumCount; ++row) texts[row] = MediumListText(MediaTable[row]);
  return texts;
}

}  // namespace voltrak
