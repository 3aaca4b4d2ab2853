// PlayLengthOf on any line, against the rule worked out from the last digit
// back, and against the C library's reading where the digits fit in 32 bits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "playlist/m3u_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const uint32_t length = voltrak::PlayLengthOf(line);
  CHECK(length == voltrak::fuzz::PlainPlayLength(line));
  // Nine digits or fewer never wrap.
  std::string digits;
  for (size_t i = 8; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) digits += line[i];
  if (digits.size() <= 9) CHECK(length == std::strtoul(("0" + digits).c_str(), nullptr, 10));
  return 0;
}
