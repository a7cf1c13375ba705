#include "archive_checksum.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace archive {

std::uint64_t ByteSum(const std::uint8_t* data, std::size_t length) {
  std::uint64_t sum = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  // psadbw against zero adds eight bytes into each 64-bit lane: one instruction per
  // 16 bytes and no overflow for any length a u32 body can have.
  __m128i acc0 = _mm_setzero_si128();
  __m128i acc1 = _mm_setzero_si128();
  const __m128i zero = _mm_setzero_si128();
  for (; i + 32 <= length; i += 32) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16));
    acc0 = _mm_add_epi64(acc0, _mm_sad_epu8(a, zero));
    acc1 = _mm_add_epi64(acc1, _mm_sad_epu8(b, zero));
  }
  const __m128i acc = _mm_add_epi64(acc0, acc1);
  alignas(16) std::uint64_t lanes[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
  sum = lanes[0] + lanes[1];
#endif
  for (; i < length; ++i) sum += data[i];
  return sum;
}

}  // namespace archive
