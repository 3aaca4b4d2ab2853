// EvaluateCapacity against a second evaluator that follows the grammar's
// recursive definition word for word; any difference is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "planning/capacity_expression.h"

namespace {

constexpr std::string_view kOperators = "+-*/%";
constexpr std::string_view kSuffixes = "kKmMgGtT";

uint32_t ReadNumber(std::string_view s) {
  uint32_t accumulator = 0, value = 0;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      value = value * 10u + static_cast<uint32_t>(c - '0');
    } else if (c == ':' || c == '.') {
      accumulator = accumulator * 60u + value;
      value = 0;
    }
  }
  return accumulator * 60u + value;
}

uint32_t Recursive(std::string_view s) {
  const size_t op = s.find_first_of(kOperators);
  if (op != std::string_view::npos && op != 0) {
    const uint32_t left = Recursive(s.substr(0, op));
    const uint32_t right = Recursive(s.substr(op + 1));
    switch (s[op]) {
      case '+': return left + right;
      case '-': return left - right;
      case '*': return left * right;
      case '/': return right == 0 ? 0u : left / right;
      default: return right == 0 ? left : left % right;
    }
  }
  const size_t suffix = s.find_first_of(kSuffixes);
  if (suffix != std::string_view::npos && suffix != 0) {
    const uint32_t before = Recursive(s.substr(0, suffix));
    switch (s[suffix]) {
      case 'k': case 'K': return before * 1024u;
      case 'm': case 'M': return before * 1048576u;
      case 'g': case 'G': return before * 1073741824u;
      default: return before == 0 ? 0u : UINT32_MAX;  // 2^40 saturates
    }
  }
  return ReadNumber(s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > voltrak::kMaxCapacityTextLength) size = voltrak::kMaxCapacityTextLength;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const uint32_t got = voltrak::EvaluateCapacity(text);
  const uint32_t expected = Recursive(text);
  if (got != expected) {
    std::fprintf(stderr, "\"%s\": program %u, recursive %u\n", std::string(text).c_str(), got,
                 expected);
    std::abort();
  }
  return 0;
}
