// The fixed table of media a list can be planned onto.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace voltrak {

struct MediumSpec {
  const char* Caption;
  uint32_t Seconds;  // capacity in seconds; 0 when the medium is not timed
  uint32_t KB;       // capacity in kilobytes; 0 when it has no size
};

inline constexpr size_t kMediumCount = 17;

// In the order of the medium list; the row number is the list's item number.
extern const std::array<MediumSpec, kMediumCount> MediaTable;

// The medium list's text for one row, "%s (%umins,%umb)".
std::string MediumListText(const MediumSpec& medium);

// Every row's list text, in table order.
std::array<std::string, kMediumCount> MediumListTexts();

}  // namespace voltrak
