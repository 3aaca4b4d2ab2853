// Local date and time, behind a seam so that dated names can be tested.
#pragma once

#include <cstdint>

namespace voltrak {

struct LocalTime {
  uint16_t Year = 0;
  uint16_t Month = 0;  // 1..12
  uint16_t DayOfWeek = 0;  // 0 Sunday
  uint16_t Day = 0;
  uint16_t Hour = 0;
  uint16_t Minute = 0;
  uint16_t Second = 0;
  uint16_t Milliseconds = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
};

// The machine's clock.
Clock& SystemClock();

}  // namespace voltrak
