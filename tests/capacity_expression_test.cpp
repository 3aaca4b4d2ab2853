#include "planning/capacity_expression.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace voltrak {
namespace {

TEST(CapacityExpression, TimesCountInBaseSixty) {
  EXPECT_EQ(EvaluateCapacity("1:20:00"), 4800u);
  EXPECT_EQ(EvaluateCapacity("1:00:00"), 3600u);
  EXPECT_EQ(EvaluateCapacity("80:00"), 4800u);
  EXPECT_EQ(EvaluateCapacity("4800"), 4800u);
  EXPECT_EQ(EvaluateCapacity("74"), 74u);
  EXPECT_EQ(EvaluateCapacity("1.5"), 65u);  // a minute and five seconds
  EXPECT_EQ(EvaluateCapacity("1 : 20"), 80u);
  EXPECT_EQ(EvaluateCapacity("1:"), 60u);
  EXPECT_EQ(EvaluateCapacity(":5"), 5u);
}

TEST(CapacityExpression, SuffixesMultiplyWhateverTheUnit) {
  EXPECT_EQ(EvaluateCapacity("700k"), 716800u);
  EXPECT_EQ(EvaluateCapacity("700K"), 716800u);
  EXPECT_EQ(EvaluateCapacity("4796k"), 4911104u);
  EXPECT_EQ(EvaluateCapacity("2m"), 2097152u);
  EXPECT_EQ(EvaluateCapacity("2M"), 2097152u);
  EXPECT_EQ(EvaluateCapacity("1g"), 1073741824u);
  EXPECT_EQ(EvaluateCapacity("1G"), 1073741824u);
  // Only the first suffix counts, and nothing after it.
  EXPECT_EQ(EvaluateCapacity("1k500"), 1024u);
  EXPECT_EQ(EvaluateCapacity("1km"), 1024u);
  // A suffix in front has nothing to multiply and is skipped.
  EXPECT_EQ(EvaluateCapacity("k5"), 5u);
  EXPECT_EQ(EvaluateCapacity("k5k"), 5u);
  EXPECT_EQ(EvaluateCapacity("1:00k"), 61440u);
}

TEST(CapacityExpression, OperatorsSplitAtTheFirstAndGroupFromTheRight) {
  EXPECT_EQ(EvaluateCapacity("74:00+6:00"), 4800u);
  EXPECT_EQ(EvaluateCapacity("650k+50k"), 716800u);
  EXPECT_EQ(EvaluateCapacity("100-1"), 99u);
  EXPECT_EQ(EvaluateCapacity("7%4"), 3u);
  EXPECT_EQ(EvaluateCapacity("9/2"), 4u);
  EXPECT_EQ(EvaluateCapacity("2*3+4"), 14u);
  EXPECT_EQ(EvaluateCapacity("10-2-3"), 11u);
  EXPECT_EQ(EvaluateCapacity("100/10/5"), 50u);  // 100 / (10 / 5)
  EXPECT_EQ(EvaluateCapacity("5 + 5"), 10u);
  EXPECT_EQ(EvaluateCapacity("5+"), 5u);        // an empty right side is 0
  EXPECT_EQ(EvaluateCapacity("5+-3"), 8u);      // the right side's sign is skipped
  EXPECT_EQ(EvaluateCapacity("5+-3-2"), 37u);   // ... and so are its operators
  EXPECT_EQ(EvaluateCapacity("2k*2"), 4096u);
}

TEST(CapacityExpression, ALeadingSignIsSkippedAndSplitsNothing) {
  EXPECT_EQ(EvaluateCapacity("+5:00"), 300u);
  EXPECT_EQ(EvaluateCapacity("-5:00"), 300u);
  EXPECT_EQ(EvaluateCapacity("+5-2"), 52u);
  EXPECT_EQ(EvaluateCapacity("*3"), 3u);
  EXPECT_EQ(EvaluateCapacity("-5+3k"), 53u * 1024u);
  EXPECT_EQ(EvaluateCapacity("+"), 0u);
}

TEST(CapacityExpression, TextsWithoutDigitsAreZero) {
  EXPECT_EQ(EvaluateCapacity(""), 0u);
  EXPECT_EQ(EvaluateCapacity("   "), 0u);
  EXPECT_EQ(EvaluateCapacity("CDR"), 0u);
  EXPECT_EQ(EvaluateCapacity("::"), 0u);
  EXPECT_EQ(EvaluateCapacity(std::string("1\0" "2", 3)), 12u);  // a NUL is just skipped
}

TEST(CapacityExpression, EverythingWrapsModulo2To32) {
  EXPECT_EQ(EvaluateCapacity("0-1"), 4294967295u);
  EXPECT_EQ(EvaluateCapacity("1-2"), 4294967295u);
  EXPECT_EQ(EvaluateCapacity("4294967295+2"), 1u);
  EXPECT_EQ(EvaluateCapacity("4294967296"), 0u);   // the digits wrap as they are read
  EXPECT_EQ(EvaluateCapacity("4294967297"), 1u);
  EXPECT_EQ(EvaluateCapacity("4g"), 0u);
  EXPECT_EQ(EvaluateCapacity("5g"), 1073741824u);
  EXPECT_EQ(EvaluateCapacity("65536*65536"), 0u);
  EXPECT_EQ(EvaluateCapacity("1193046:28:15"), 4294967295u);
  EXPECT_EQ(EvaluateCapacity("1193046:28:16"), 0u);  // 2^32 seconds
}

// What a reader that takes no wrapped value is told: any step past 32
// bits, and whether a suffix scaled a number.
TEST(CapacityExpression, AReadingSaysWhatWrappedAndWhatWasScaled) {
  struct Case {
    const char* Text;
    bool Wrapped, Scaled;
  };
  for (const Case& c : {Case{"4294967295", false, false}, {"99999999999", true, false},
                        {"4g", true, true}, {"3g", false, true}, {"1t", true, true},
                        {"0t", false, true}, {"1-2", true, false}, {"10-2-3", true, false},
                        {"4294967295+1", true, false}, {"65536*65536", true, false},
                        {"1193046:28:16", true, false}, {"5/0", false, false},
                        {"k5", false, false}, {"650k+50k", false, true}}) {
    const CapacityReading reading = ReadCapacity(c.Text);
    EXPECT_EQ(reading.Value, EvaluateCapacity(c.Text)) << c.Text;
    EXPECT_EQ(std::pair(reading.Wrapped, reading.Scaled), std::pair(c.Wrapped, c.Scaled)) << c.Text;
  }
}

TEST(CapacityExpression, UnrepresentableValuesNeverStopTheProgram) {
  EXPECT_EQ(EvaluateCapacity("1t"), 4294967295u);
  EXPECT_EQ(EvaluateCapacity("3T"), 4294967295u);
  EXPECT_EQ(EvaluateCapacity("0t"), 0u);
  EXPECT_EQ(EvaluateCapacity("5/0"), 0u);
  EXPECT_EQ(EvaluateCapacity("5%0"), 5u);
  EXPECT_EQ(EvaluateCapacity("5/"), 0u);
  EXPECT_EQ(EvaluateCapacity("5%"), 5u);
  EXPECT_EQ(EvaluateCapacity("1/2/0"), 0u);  // 1 / (2 / 0) = 1 / 0
}

TEST(CapacityExpression, LongTextsOfOperatorsAndSuffixesAreSafe) {
  std::string operators(1023, '-');
  EXPECT_EQ(EvaluateCapacity(operators), 0u);
  std::string suffixes(1023, 'k');
  EXPECT_EQ(EvaluateCapacity(suffixes), 0u);
  // 1-(1-(1-...)) alternates: 0 for an even number of ones, 1 for an odd one.
  std::string ones = "1";
  while (ones.size() + 2 <= 1023) ones += "-1";
  ASSERT_EQ(ones.size(), 1023u);
  EXPECT_EQ(EvaluateCapacity(ones), 0u);
  EXPECT_EQ(EvaluateCapacity(ones.substr(2)), 1u);
  std::string sums = "1";
  for (int i = 0; i < 100000; ++i) sums += "+1";
  EXPECT_EQ(EvaluateCapacity(sums), 100001u);
  std::string suffixed;
  for (int i = 0; i < 3; ++i) suffixed += "1k*";
  EXPECT_EQ(EvaluateCapacity(suffixed + "3"), 3u << 30);
  for (int i = 0; i < 338; ++i) suffixed += "1k*";
  EXPECT_EQ(EvaluateCapacity(suffixed + "3"), 0u);  // 1024^341 wraps to 0
}

}  // namespace
}  // namespace voltrak
