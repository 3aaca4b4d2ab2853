#include "planning/capacity_expression.h"

#include <vector>

namespace voltrak {
namespace {

bool IsOperator(char c) {
  return c == '+' || c == '-' || c == '*' || c == '/' || c == '%';
}

bool IsSuffix(char c) {
  switch (c) {
    case 'k': case 'K': case 'm': case 'M':
    case 'g': case 'G': case 't': case 'T':
      return true;
    default:
      return false;
  }
}

// Each step in 64 bits, so that a step past 32 bits is seen; the value
// kept is the one the window's 32-bit arithmetic gives.
uint32_t Wrap(uint64_t value, bool& wrapped) {
  if (value > UINT32_MAX) wrapped = true;
  return static_cast<uint32_t>(value);
}

// Digits with ":" and "." as base-60 separators; anything else, a sign
// included, is skipped.
uint32_t ReadNumber(std::string_view s, bool& wrapped) {
  uint32_t accumulated = 0;
  uint32_t value = 0;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      value = Wrap(uint64_t{value} * 10u + static_cast<uint32_t>(c - '0'), wrapped);
    } else if (c == ':' || c == '.') {
      accumulated = Wrap(uint64_t{accumulated} * 60u + value, wrapped);
      value = 0;
    }
  }
  return Wrap(uint64_t{accumulated} * 60u + value, wrapped);
}

uint32_t ApplySuffix(uint32_t value, char suffix, bool& wrapped) {
  switch (suffix) {
    case 'k': case 'K':
      return Wrap(uint64_t{value} * 1024u, wrapped);
    case 'm': case 'M':
      return Wrap(uint64_t{value} * 1048576u, wrapped);
    case 'g': case 'G':
      return Wrap(uint64_t{value} * 1073741824u, wrapped);
    default:  // t, T: 2^40 does not fit, so saturate (see the header)
      if (value != 0) wrapped = true;
      return value == 0 ? 0u : UINT32_MAX;
  }
}

// A text that is not split at an operator: either it has none, or its only
// operators follow one at its very start. Only the first suffix counts, and
// only when something stands before it.
uint32_t EvaluateTerm(std::string_view s, CapacityReading& reading) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsSuffix(s[i])) {
      if (i == 0) break;
      reading.Scaled = true;
      return ApplySuffix(ReadNumber(s.substr(0, i), reading.Wrapped), s[i], reading.Wrapped);
    }
  }
  return ReadNumber(s, reading.Wrapped);
}

uint32_t Apply(uint32_t left, char op, uint32_t right, bool& wrapped) {
  switch (op) {
    case '+': return Wrap(uint64_t{left} + right, wrapped);
    case '-':
      if (right > left) wrapped = true;
      return left - right;
    case '*': return Wrap(uint64_t{left} * right, wrapped);
    case '/': return right == 0 ? 0u : left / right;
    default:  return right == 0 ? left : left % right;
  }
}

struct PendingOperation {
  uint32_t Left;
  char Operator;
};

}  // namespace

// The definition is recursive on the right side only, so it unrolls into a
// list of (left value, operator) pairs folded from the right: no call depth
// grows with the text.
uint32_t EvaluateCapacity(std::string_view text) { return ReadCapacity(text).Value; }

CapacityReading ReadCapacity(std::string_view text) {
  CapacityReading reading;
  std::vector<PendingOperation> pending;
  std::string_view rest = text;
  for (;;) {
    size_t split = 0;
    while (split < rest.size() && !IsOperator(rest[split])) ++split;
    if (split == 0 || split == rest.size()) break;
    // The left side holds no operator, so it is a term of its own.
    pending.push_back({EvaluateTerm(rest.substr(0, split), reading), rest[split]});
    rest.remove_prefix(split + 1);
  }
  reading.Value = EvaluateTerm(rest, reading);
  for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
    reading.Value = Apply(it->Left, it->Operator, reading.Value, reading.Wrapped);
  }
  return reading;
}

}  // namespace voltrak
