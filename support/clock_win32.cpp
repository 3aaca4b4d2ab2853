#include <windows.h>

#include "support/clock.h"

namespace voltrak {
namespace {

class Win32Clock : public Clock {
 public:
  LocalTime Now() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    LocalTime t;
    t.Year = now.wYear;
    t.Month = now.wMonth;
    t.DayOfWeek = now.wDayOfWeek;
    t.Day = now.wDay;
    t.Hour = now.wHour;
    t.Minute = now.wMinute;
    t.Second = now.wSecond;
    t.Milliseconds = now.wMilliseconds;
    return t;
  }
};

}  // namespace

Clock& SystemClock() {
  static Win32Clock instance;
  return instance;
}

}  // namespace voltrak
