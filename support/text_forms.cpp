#include "support/text_forms.h"

namespace voltrak {

std::string HoursMinutesSeconds(uint32_t seconds, bool padHours) {
  // Set by hand: the report and the plan ask it once a volume and a track.
  std::string text = Decimal(seconds / 3600);
  if (padHours && text.size() < 2) text.insert(0, 1, ' ');
  const uint32_t minutes = seconds / 60 % 60, rest = seconds % 60;
  const char tail[] = {':',
                       static_cast<char>('0' + minutes / 10),
                       static_cast<char>('0' + minutes % 10),
                       ':',
                       static_cast<char>('0' + rest / 10),
                       static_cast<char>('0' + rest % 10)};
  text.append(tail, sizeof tail);
  return text;
}

std::string Decimal(uint32_t value) { return std::to_string(value); }

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace voltrak
