// A percentage on one terminal line, redrawn in place while a long build runs.
#pragma once

#include <cstdint>
#include <ostream>

namespace mksetup {

class ProgressLine {
 public:
  // Draws only when `enabled`: redrawing into a log file would fill it with lines.
  ProgressLine(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}
  ~ProgressLine() { Finish(); }

  void Update(std::uint64_t done, std::uint64_t total);
  void Finish();

 private:
  std::ostream& out_;
  bool enabled_;
  int shown_ = -1;
};

}  // namespace mksetup
