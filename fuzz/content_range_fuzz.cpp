// Arbitrary bytes as a server's Content-Range value. What parses must hold together
// (FIRST <= LAST < TOTAL) and read the same once written out again; the resume decision
// over it, with the offset asked and the status taken from the input, never keeps bytes
// the partial file does not have.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "content_range.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

std::string Written(const updater::ContentRange& range) {
  std::string text = "bytes ";
  text += range.satisfied ? std::to_string(range.first) + "-" + std::to_string(range.last) : "*";
  return text + "/" + (range.totalKnown ? std::to_string(range.total) : "*");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<char> copy(data, data + size);
  updater::ContentRange range;
  const bool parsed = updater::ParseContentRange(copy.data(), copy.size(), range);
  if (parsed) {
    Require(!range.satisfied || range.first <= range.last);
    Require(!range.satisfied || !range.totalKnown || range.last < range.total);
    const std::string text = Written(range);
    updater::ContentRange again;
    Require(updater::ParseContentRange(text.data(), text.size(), again));
    Require(Written(again) == text);
  }
  const std::uint64_t expected = size * 97 + 1;
  const std::uint64_t asked = size ? data[0] * size % (expected + 1) : 0;
  const int statuses[] = {200, 206, 416, 404};
  const int status = statuses[size % 4];
  const updater::ResumeDecision decision =
      updater::DecideResume(asked, expected, status, parsed, range);
  Require(decision.keep <= asked);
  Require(decision.action == updater::ResumeAction::kWrite || decision.keep == 0);
  return 0;
}
