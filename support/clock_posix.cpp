#include <sys/time.h>

#include <ctime>

#include "support/clock.h"

namespace voltrak {
namespace {

class PosixClock : public Clock {
 public:
  LocalTime Now() override {
    struct timeval now;
    gettimeofday(&now, nullptr);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    LocalTime t;
    t.Year = static_cast<uint16_t>(local.tm_year + 1900);
    t.Month = static_cast<uint16_t>(local.tm_mon + 1);
    t.DayOfWeek = static_cast<uint16_t>(local.tm_wday);
    t.Day = static_cast<uint16_t>(local.tm_mday);
    t.Hour = static_cast<uint16_t>(local.tm_hour);
    t.Minute = static_cast<uint16_t>(local.tm_min);
    t.Second = static_cast<uint16_t>(local.tm_sec);
    t.Milliseconds = static_cast<uint16_t>(now.tv_usec / 1000);
    return t;
  }
};

}  // namespace

Clock& SystemClock() {
  static PosixClock instance;
  return instance;
}

}  // namespace voltrak
