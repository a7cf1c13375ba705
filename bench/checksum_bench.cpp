// Checksum throughput against a plain read of the same buffer. The plain read is a
// scan for a byte value the buffer never holds, so it touches every byte once and
// does nothing else: the speed the memory allows, which the byte sum should match.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "archive_checksum.h"

namespace {

constexpr std::uint8_t kAbsentByte = 0xFF;

// One buffer per size, filled once: pseudo-random bytes without kAbsentByte.
const std::vector<std::uint8_t>& BufferOf(std::size_t size) {
  static std::vector<std::uint8_t> buffers[2];
  std::vector<std::uint8_t>& buffer = buffers[size > (64u << 20) ? 1 : 0];
  if (buffer.size() != size) {
    buffer.resize(size);
    std::mt19937_64 random(size);
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
      std::uint64_t word = random() & 0x7F7F7F7F7F7F7F7FULL;
      std::memcpy(buffer.data() + i, &word, sizeof word);
    }
  }
  return buffer;
}

void PlainRead(benchmark::State& state) {
  const auto& buffer = BufferOf(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const void* found = std::memchr(buffer.data(), kAbsentByte, buffer.size());
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void ByteSum(benchmark::State& state) {
  const auto& buffer = BufferOf(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::uint64_t sum = archive::ByteSum(buffer.data(), buffer.size());
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// As the preparation window uses it: ten progress points per body.
void ByteSumWithProgress(benchmark::State& state) {
  const auto& buffer = BufferOf(static_cast<std::size_t>(state.range(0)));
  const auto length = static_cast<std::uint32_t>(buffer.size());
  for (auto _ : state) {
    std::uint32_t lastPoint = 0;
    std::uint64_t sum = archive::ByteSumWithProgress(buffer.data(), length,
                                                     [&](std::uint32_t at) { lastPoint = at; });
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(lastPoint);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

constexpr std::int64_t k16MB = 16 << 20;
constexpr std::int64_t k256MB = 256 << 20;

BENCHMARK(PlainRead)->Arg(k16MB)->Arg(k256MB);
BENCHMARK(ByteSum)->Arg(k16MB)->Arg(k256MB);
BENCHMARK(ByteSumWithProgress)->Arg(k16MB)->Arg(k256MB);

}  // namespace

BENCHMARK_MAIN();
