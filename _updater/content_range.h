// Resuming a download: the server's Content-Range read, and what to do with the bytes
// already on disk when the answer comes. Portable; WinINet's half hands in the status
// code and the header's text.
#pragma once

#include <cstddef>
#include <cstdint>

namespace updater {

// "bytes FIRST-LAST/TOTAL", TOTAL possibly "*"; or "bytes */TOTAL" with a 416.
struct ContentRange {
  bool satisfied = true;  // false: the "*/TOTAL" form, no range sent
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  bool totalKnown = false;
  std::uint64_t total = 0;
};

// Pointer and length of the header's value; leading and trailing blanks are allowed.
// Refuses anything else, numbers past 64 bits, FIRST > LAST and LAST >= TOTAL.
bool ParseContentRange(const char* text, std::size_t size, ContentRange& range);

// Before the request: the partial file's size against the size the index names.
struct RangeRequest {
  bool discardPartial = false;  // longer than the file can be: start from nothing
  bool verifyOnly = false;      // all bytes are there: hash them, fetch nothing
  std::uint64_t from = 0;       // 0: no Range header
};
RangeRequest PlanRangeRequest(std::uint64_t partialSize, std::uint64_t expectedSize);

enum class ResumeAction {
  kWrite,       // keep the first `keep` bytes of the partial file, write the body after them
  kRestart,     // throw the partial file and the body away, ask again from 0
  kVerifyOnly,  // the partial file is already whole (416 for its full size)
  kFail,        // an answer that is no file: 404, 5xx and the like
};

struct ResumeDecision {
  ResumeAction action = ResumeAction::kFail;
  std::uint64_t keep = 0;
  friend bool operator==(const ResumeDecision&, const ResumeDecision&) = default;
};

// `asked`: the offset of the Range request (0: none). `hasRange` and `range`: the
// parsed Content-Range, when the answer had one that parsed.
ResumeDecision DecideResume(std::uint64_t asked, std::uint64_t expectedSize, int status,
                            bool hasRange, const ContentRange& range);

}  // namespace updater
