// Finding one of two bytes in a text, sixteen bytes at a step where the
// processor allows: the load looks for the line ends and the separators of
// every entry of a playlist.
#pragma once

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace voltrak {

// The position of the first `a` or `b` in text[from, size), or `size`.
inline size_t FindEitherByte(const char* text, size_t from, size_t size, char a, char b) {
#if defined(__SSE2__)
  const __m128i wantA = _mm_set1_epi8(a), wantB = _mm_set1_epi8(b);
  for (; from + 16 <= size; from += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from));
    const int found = _mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(chunk, wantA), _mm_cmpeq_epi8(chunk, wantB)));
    if (found != 0) return from + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(found)));
  }
#endif
  while (from < size && text[from] != a && text[from] != b) ++from;
  return from;
}

}  // namespace voltrak
