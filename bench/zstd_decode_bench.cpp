// Decodes a patch or compressed file as the updater does (feed/zstd_frame.h: the header
// checked, the reference pointed at, the output one buffer of the content's size) and
// prints the seconds the decoding took, then the seconds with reading the inputs (what
// `zstd -d` does too, beside its own start), and the output rate of each:
//   bench_zstd_decode <frame> <reference or -> <content size>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "zstd_frame.h"

namespace {

std::vector<std::uint8_t> Read(const char* path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_zstd_decode <frame> <reference or -> <content size>\n");
    return 2;
  }
  const auto begin = std::chrono::steady_clock::now();
  const std::vector<std::uint8_t> frame = Read(argv[1]);
  const std::vector<std::uint8_t> reference =
      argv[2][0] == '-' ? std::vector<std::uint8_t>() : Read(argv[2]);
  std::vector<std::uint8_t> out(std::strtoull(argv[3], nullptr, 10));
  const auto start = std::chrono::steady_clock::now();
  const feed::FrameProblem problem = feed::DecodeFrame(frame.data(), frame.size(), reference.data(),
                                                       reference.size(), out.data(), out.size());
  const auto end = std::chrono::steady_clock::now();
  const double seconds = std::chrono::duration<double>(end - start).count();
  const double withReading = std::chrono::duration<double>(end - begin).count();
  if (problem != feed::FrameProblem::kNone) {
    std::fprintf(stderr, "the frame %s\n", feed::FrameProblemText(problem));
    return 1;
  }
  const double megabytes = static_cast<double>(out.size()) / 1e6;
  std::printf("%.4f s, %.1f MB/s; with reading the inputs %.4f s, %.1f MB/s\n", seconds,
              megabytes / seconds, withReading, megabytes / withReading);
  return 0;
}
