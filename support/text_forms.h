// Small rules every part of the program writes the same way: its name and
// credit, times and numbers as text, and case as the program compares it
// (ASCII letters only: the core sets no locale).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace voltrak {

inline constexpr const char* kProgramName = "Voltrak";
// Shown after the program's name while no list is loaded, and in the report.
inline constexpr const char* kAuthorCredit = "by the Voltrak team";

// Seconds as "h:mm:ss"; with `padHours` the hours take two places, blank
// padded. Hours are not cut at a day: a week reads 168:00:00.
std::string HoursMinutesSeconds(uint32_t seconds, bool padHours);

// A number as printf's "%u" writes it.
std::string Decimal(uint32_t value);

inline char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string LowerAscii(std::string_view text);
bool SameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace voltrak
