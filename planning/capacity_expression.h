// The small expression language of the "Medium:" and "Reserve 1st:" fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace voltrak {

// The longest text the capacity fields hand over.
inline constexpr size_t kMaxCapacityTextLength = 1023;

// The value of a capacity text such as "1:20:00", "700k" or "74:00+6:00".
// The text is split at its first operator (not when that is its first
// character) and the right side is evaluated as a whole, so operators group
// from the right with no precedence: "10-2-3" is 10-(2-3), which wraps to 11.
// A suffix k, m or g multiplies what stands before it; digits separated by
// ":" or "." count in base 60; everything else is skipped. All arithmetic is
// modulo 2^32. Never fails:
//   - "t"/"T" would be 2^40, which no 32-bit value holds: n t gives the
//     largest value, 4294967295 (0t stays 0), the nearest to what was meant;
//   - x / 0 gives 0 and x % 0 gives x, so that x == (x / y) * y + x % y
//     still holds.
uint32_t EvaluateCapacity(std::string_view text);

// The value of a capacity text, and what a reader that takes no wrapped
// value needs to know of how it was reached.
struct CapacityReading {
  uint32_t Value = 0;
  // Some step left 0 to 4294967295 (a number, a product, a sum, a
  // difference below 0, or a t): Value is the wrapped one.
  bool Wrapped = false;
  // A suffix multiplied a number: the text counts in sizes, not in time.
  bool Scaled = false;
};
CapacityReading ReadCapacity(std::string_view text);

}  // namespace voltrak
