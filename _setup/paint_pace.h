// When the status line of the file stage is painted: its text changes with every
// file, but no display shows more than about sixty frames a second, and painting a
// control costs Wine about half a millisecond. The text is set for every file; its
// painting follows at most once per frame, by the tick count.
#pragma once

#include <cstdint>

namespace setup {

class PaintPace {
 public:
  static constexpr std::uint32_t kFrameMs = 16;

  // True for the first call and then once at least a frame has passed since the
  // last true; `now` is GetTickCount's, which wraps after 49 days.
  bool Due(std::uint32_t now) {
    if (painted_ && now - last_ < kFrameMs) return false;
    painted_ = true;
    last_ = now;
    return true;
  }

 private:
  bool painted_ = false;
  std::uint32_t last_ = 0;
};

}  // namespace setup
