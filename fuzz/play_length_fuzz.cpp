// PlayLengthOf on any line, against the rule written out digit by digit.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "playlist/m3u_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  uint64_t expected = 0;
  for (size_t i = 8; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    expected = (expected * 10u + static_cast<uint64_t>(line[i] - '0')) % 4294967296u;
  }
  if (voltrak::PlayLengthOf(line) != expected) std::abort();
  return 0;
}
