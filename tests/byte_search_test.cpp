// The sixteen-byte scans against reading one byte at a time.
#include "support/byte_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

namespace voltrak {
namespace {

// Every byte value in every place of the sixteen, among bytes of the other
// kind: the masks say exactly what a byte-by-byte reading says.
TEST(ByteSearch, MasksAgreeWithPlainReadingForEveryByteInEveryPlace) {
  for (unsigned place = 0; place < 16; ++place) {
    for (unsigned value = 0; value < 256; ++value) {
      std::array<char, 16> bytes;
      bytes.fill('x');
      bytes[place] = static_cast<char>(value);
      const auto c = static_cast<unsigned char>(value);
      const unsigned at = 1u << place;
      EXPECT_EQ(EitherByteMask(bytes.data(), '\n', '\r'), c == '\n' || c == '\r' ? at : 0u);
      for (bool high : {false, true}) {
        const bool unsafe = c < 0x20 || c == '"' || c == '\\' || (high && c >= 0x80);
        EXPECT_EQ(JsonUnsafeMask(bytes.data(), high), unsafe ? at : 0u) << value << " " << high;
      }
    }
  }
}

// The first of two bytes wherever it lies: in the first sixteen, after
// them, in the tail shorter than sixteen, or nowhere.
TEST(ByteSearch, FindsTheFirstOfTwoBytesAsStdFindFirstOf) {
  for (size_t size = 0; size < 50; ++size) {
    for (size_t at = 0; at <= size; ++at) {
      std::string text(size, 'a');
      if (at < size) text[at] = '/';
      if (at + 3 < size) text[at + 3] = '\\';
      for (size_t from = 0; from <= size; from += 7) {
        const size_t plain = std::min(text.find_first_of("/\\", from), size);
        EXPECT_EQ(FindEitherByte(text.data(), from, size, '/', '\\'), plain)
            << size << " " << at << " " << from;
      }
    }
  }
}

}  // namespace
}  // namespace voltrak
