#include "progress.h"

namespace mksetup {

void ProgressLine::Update(std::uint64_t done, std::uint64_t total) {
  if (!enabled_) return;
  const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
  if (percent == shown_) return;
  shown_ = percent;
  out_ << "\rmksetup: writing the archive " << percent << "%" << std::flush;
}

void ProgressLine::Finish() {
  if (!enabled_ || shown_ < 0) return;
  out_ << "\n" << std::flush;
  shown_ = -1;
}

}  // namespace mksetup
