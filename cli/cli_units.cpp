#include "cli/cli_units.h"

#include <array>
#include <initializer_list>

#include "support/text_forms.h"

namespace voltrak::cli {
namespace {

using Wide = unsigned __int128;

// Past this a whole number is too large for any result, and below it the
// products below cannot overflow 128 bits.
constexpr uint64_t kLargestWhole = uint64_t{1} << 50;
// Fraction digits past these are below any unit's smallest step.
constexpr size_t kFractionDigits = 9;

// A decimal number with an optional fraction: Digits / 10^Scale.
struct Number {
  Wide Digits = 0;
  Wide Scale = 1;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void SkipBlanks(std::string_view& text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
}

// Reads a number from the front of `text`; false when none stands there or
// its whole part is far too large.
bool TakeNumber(std::string_view& text, Number* number) {
  if (text.empty() || !IsDigit(text.front())) return false;
  uint64_t whole = 0;
  while (!text.empty() && IsDigit(text.front())) {
    whole = whole * 10 + static_cast<uint64_t>(text.front() - '0');
    if (whole > kLargestWhole) return false;
    text.remove_prefix(1);
  }
  number->Digits = whole;
  number->Scale = 1;
  if (text.size() < 2 || text.front() != '.' || !IsDigit(text[1])) return true;
  text.remove_prefix(1);
  for (size_t digits = 0; !text.empty() && IsDigit(text.front()); ++digits) {
    if (digits < kFractionDigits) {
      number->Digits = number->Digits * 10 + static_cast<unsigned>(text.front() - '0');
      number->Scale *= 10;
    }
    text.remove_prefix(1);
  }
  return true;
}

// The letters at the front of `text`.
std::string TakeWord(std::string_view& text) {
  size_t end = 0;
  while (end < text.size() && IsLetter(text[end])) ++end;
  std::string word = LowerAscii(text.substr(0, end));
  text.remove_prefix(end);
  return word;
}

bool OneOf(const std::string& word, std::initializer_list<const char*> words) {
  for (const char* each : words) {
    if (word == each) return true;
  }
  return false;
}

// The count, when it fits 32 bits.
std::optional<uint32_t> Whole(Wide total) {
  if (total > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(total);
}

UnitReading Refused(std::string_view text, const char* what) {
  return {std::nullopt, "'" + std::string(text) + "' " + what};
}

}  // namespace

UnitReading ParseSize(std::string_view text) {
  constexpr const char* kNotASize = "is not a size (as 700MB, 4.7GB, 700MiB, 1G or 650000000)";
  std::string_view rest = text;
  Number number;
  if (!TakeNumber(rest, &number)) return Refused(text, kNotASize);
  SkipBlanks(rest);
  const std::string unit = TakeWord(rest);
  if (!rest.empty()) return Refused(text, kNotASize);
  // The unit's letter, then B (powers of 1000) or iB or nothing (1024).
  constexpr std::string_view kPrefixes = "kmgt";
  Wide bytes = 1;
  if (!unit.empty() && unit != "b") {
    const size_t prefix = kPrefixes.find(unit[0]);
    const std::string_view tail = std::string_view(unit).substr(1);
    if (prefix == std::string_view::npos || (tail != "" && tail != "b" && tail != "ib")) {
      return Refused(text, kNotASize);
    }
    for (size_t i = 0; i <= prefix; ++i) bytes *= tail == "b" ? 1000 : 1024;
  }
  std::optional<uint32_t> kb = Whole(number.Digits * bytes / number.Scale / 1024);
  if (!kb) return Refused(text, "is more than 4294967295 KB");
  return {kb, {}};
}

UnitReading ParseLength(std::string_view text) {
  constexpr const char* kNotALength = "is not a length (as 80min, 1:20:00, 80:00 or 4800s)";
  std::string_view rest = text;
  Wide seconds = 0;
  if (text.find(':') != std::string_view::npos) {
    // h:mm:ss or m:ss; the fields after the first below 60.
    std::array<uint64_t, 3> fields{};
    size_t count = 0;
    for (;;) {
      Number number;
      if (count == fields.size() || !TakeNumber(rest, &number) || number.Scale != 1) {
        return Refused(text, kNotALength);
      }
      fields[count] = static_cast<uint64_t>(number.Digits);
      if (count++ > 0 && fields[count - 1] >= 60) return Refused(text, kNotALength);
      if (rest.empty()) break;
      if (rest.front() != ':') return Refused(text, kNotALength);
      rest.remove_prefix(1);
    }
    if (count < 2) return Refused(text, kNotALength);
    for (size_t i = 0; i < count; ++i) seconds = seconds * 60 + fields[i];
  } else {
    // One or more numbers, each with its unit; a lone number is seconds.
    for (bool first = true; first || !rest.empty(); first = false) {
      Number number;
      if (!TakeNumber(rest, &number)) return Refused(text, kNotALength);
      SkipBlanks(rest);
      const std::string unit = TakeWord(rest);
      SkipBlanks(rest);
      uint32_t per = 0;
      const bool bare = unit.empty() && first && rest.empty();
      if (bare || OneOf(unit, {"s", "sec", "secs", "second", "seconds"})) {
        per = 1;
      } else if (OneOf(unit, {"m", "min", "mins", "minute", "minutes"})) {
        per = 60;
      } else if (OneOf(unit, {"h", "hr", "hrs", "hour", "hours"})) {
        per = 3600;
      } else if (OneOf(unit, {"d", "day", "days"})) {
        per = 86400;
      } else if (OneOf(unit, {"w", "week", "weeks"})) {
        per = 604800;
      } else {
        return Refused(text, kNotALength);
      }
      seconds += number.Digits * per / number.Scale;
      if (seconds > UINT32_MAX) break;
    }
  }
  std::optional<uint32_t> value = Whole(seconds);
  if (!value) return Refused(text, "is more than 4294967295 seconds");
  return {value, {}};
}

}  // namespace voltrak::cli
