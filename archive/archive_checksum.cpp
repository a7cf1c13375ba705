#include "archive_checksum.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define TDM_X86 1
#endif

namespace archive {
namespace {

std::uint64_t TailSum(const std::uint8_t* data, std::size_t length) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < length; ++i) sum += data[i];
  return sum;
}

#if defined(TDM_X86)
// psadbw against zero adds eight bytes into each 64-bit lane: one instruction per
// 16 (or 32) bytes and no overflow for any length a u32 body can have. Two
// accumulators keep two loads in flight.
__attribute__((target("sse2"))) std::uint64_t SumSse2(const std::uint8_t* data,
                                                      std::size_t length) {
  __m128i acc0 = _mm_setzero_si128();
  __m128i acc1 = _mm_setzero_si128();
  const __m128i zero = _mm_setzero_si128();
  std::size_t i = 0;
  for (; i + 32 <= length; i += 32) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16));
    acc0 = _mm_add_epi64(acc0, _mm_sad_epu8(a, zero));
    acc1 = _mm_add_epi64(acc1, _mm_sad_epu8(b, zero));
  }
  alignas(16) std::uint64_t lanes[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_add_epi64(acc0, acc1));
  return lanes[0] + lanes[1] + TailSum(data + i, length - i);
}

__attribute__((target("avx2"))) std::uint64_t SumAvx2(const std::uint8_t* data,
                                                      std::size_t length) {
  __m256i acc0 = _mm256_setzero_si256();
  __m256i acc1 = _mm256_setzero_si256();
  __m256i acc2 = _mm256_setzero_si256();
  __m256i acc3 = _mm256_setzero_si256();
  const __m256i zero = _mm256_setzero_si256();
  const auto* at = reinterpret_cast<const __m256i*>(data);
  std::size_t i = 0;
  for (; i + 128 <= length; i += 128, at += 4) {
    acc0 = _mm256_add_epi64(acc0, _mm256_sad_epu8(_mm256_loadu_si256(at), zero));
    acc1 = _mm256_add_epi64(acc1, _mm256_sad_epu8(_mm256_loadu_si256(at + 1), zero));
    acc2 = _mm256_add_epi64(acc2, _mm256_sad_epu8(_mm256_loadu_si256(at + 2), zero));
    acc3 = _mm256_add_epi64(acc3, _mm256_sad_epu8(_mm256_loadu_si256(at + 3), zero));
  }
  const __m256i all = _mm256_add_epi64(_mm256_add_epi64(acc0, acc1), _mm256_add_epi64(acc2, acc3));
  alignas(32) std::uint64_t lanes[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), all);
  return lanes[0] + lanes[1] + lanes[2] + lanes[3] + SumSse2(data + i, length - i);
}

// The processor is asked once; every x86-64 has SSE2, most have AVX2. Asked directly:
// __builtin_cpu_supports links libgcc's whole processor table (5 KB of the stub).
// AVX2 needs the processor's flag and a system that saves the YMM registers.
bool AskAvx2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0) return false;
  unsigned low = 0, high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  if ((low & 6u) != 6u) return false;  // XMM and YMM state
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & bit_AVX2) != 0;
}

// An atomic rather than a function-local static: two threads that ask at once both get
// the same answer, and no guard (libstdc++'s and its thread model's) is linked for it.
bool HasAvx2() {
  static std::atomic<int> known{-1};
  int has = known.load(std::memory_order_relaxed);
  if (has < 0) {
    has = AskAvx2() ? 1 : 0;
    known.store(has, std::memory_order_relaxed);
  }
  return has != 0;
}
#endif

}  // namespace

std::uint64_t ByteSum(const std::uint8_t* data, std::size_t length) {
#if defined(TDM_X86)
  return HasAvx2() ? SumAvx2(data, length) : SumSse2(data, length);
#else
  return TailSum(data, length);
#endif
}

}  // namespace archive
