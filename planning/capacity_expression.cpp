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

// Digits with ":" and "." as base-60 separators; anything else, a sign
// included, is skipped.
uint32_t ReadNumber(std::string_view s) {
  uint32_t accumulated = 0;
  uint32_t value = 0;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      value = value * 10u + static_cast<uint32_t>(c - '0');
    } else if (c == ':' || c == '.') {
      accumulated = accumulated * 60u + value;
      value = 0;
    }
  }
  return accumulated * 60u + value;
}

uint32_t ApplySuffix(uint32_t value, char suffix) {
  switch (suffix) {
    case 'k': case 'K':
      return value * 1024u;
    case 'm': case 'M':
      return value * 1048576u;
    case 'g': case 'G':
      return value * 1073741824u;
    default:  // t, T: 2^40 does not fit, so saturate (see the header)
      return value == 0 ? 0u : UINT32_MAX;
  }
}

// A text that is not split at an operator: either it has none, or its only
// operators follow one at its very start. Only the first suffix counts, and
// only when something stands before it.
uint32_t EvaluateTerm(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsSuffix(s[i])) {
      if (i == 0) break;
      return ApplySuffix(ReadNumber(s.substr(0, i)), s[i]);
    }
  }
  return ReadNumber(s);
}

uint32_t Apply(uint32_t left, char op, uint32_t right) {
  switch (op) {
    case '+': return left + right;
    case '-': return left - right;
    case '*': return left * right;
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
uint32_t EvaluateCapacity(std::string_view text) {
  std::vector<PendingOperation> pending;
  std::string_view rest = text;
  for (;;) {
    size_t split = 0;
    while (split < rest.size() && !IsOperator(rest[split])) ++split;
    if (split == 0 || split == rest.size()) break;
    // The left side holds no operator, so it is a term of its own.
    pending.push_back({EvaluateTerm(rest.substr(0, split)), rest[split]});
    rest.remove_prefix(split + 1);
  }
  uint32_t value = EvaluateTerm(rest);
  for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
    value = Apply(it->Left, it->Operator, value);
  }
  return value;
}

}  // namespace voltrak
