// Looking at bytes sixteen at a step where the processor allows: the load
// looks for the line ends and the separators of every entry of a playlist
// and the end of every tag's texts, and --json for what a string must
// escape. The only home of such scans; each has a plain loop beside it for
// other processors, and tests that set them against plain reading.
#pragma once

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace voltrak {

// Which of the sixteen bytes at `p` are `a` or `b`, one bit each, the first
// byte lowest.
inline unsigned EitherByteMask(const char* p, char a, char b) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
      _mm_cmpeq_epi8(bytes, _mm_set1_epi8(a)), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(b)))));
#else
  unsigned found = 0;
  for (unsigned i = 0; i < 16; ++i) found |= static_cast<unsigned>(p[i] == a || p[i] == b) << i;
  return found;
#endif
}

// Which of the sixteen bytes at `p` a JSON string must escape, one bit
// each: a control, the quote, the backslash, or (with `high` set) a byte
// above 127.
inline unsigned JsonUnsafeMask(const char* p, bool high) {
#if defined(__SSE2__)
  const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  // As signed bytes, those above 127 are below 0x20 too.
  __m128i bad = high ? _mm_cmplt_epi8(chunk, _mm_set1_epi8(0x20))
                     : _mm_cmpeq_epi8(_mm_min_epu8(chunk, _mm_set1_epi8(0x1F)), chunk);
  bad = _mm_or_si128(bad, _mm_cmpeq_epi8(chunk, _mm_set1_epi8('"')));
  bad = _mm_or_si128(bad, _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\')));
  return static_cast<unsigned>(_mm_movemask_epi8(bad));
#else
  unsigned bad = 0;
  for (unsigned i = 0; i < 16; ++i) {
    const auto c = static_cast<unsigned char>(p[i]);
    if (c < 0x20 || c == '"' || c == '\\' || (high && c >= 0x80)) bad |= 1u << i;
  }
  return bad;
#endif
}

// The place of the lowest bit of a mask that has one.
inline size_t LowestBit(unsigned mask) { return static_cast<size_t>(__builtin_ctz(mask)); }

// The position of the first `a` or `b` in text[from, size), or `size`.
inline size_t FindEitherByte(const char* text, size_t from, size_t size, char a, char b) {
  for (; from + 16 <= size; from += 16) {
    if (const unsigned found = EitherByteMask(text + from, a, b); found != 0) {
      return from + LowestBit(found);
    }
  }
  while (from < size && text[from] != a && text[from] != b) ++from;
  return from;
}

}  // namespace voltrak
