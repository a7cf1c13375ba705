#include "transfer_rules.h"

#include <cctype>

namespace updater {

RateWatch::RateWatch(RateRule rule, std::uint64_t startMs) : rule_(rule), startMs_(startMs) {
  marks_.emplace_back(startMs, 0);
}

void RateWatch::Add(std::uint64_t nowMs, std::uint64_t bytes) {
  total_ += bytes;
  marks_.emplace_back(nowMs, total_);
  // Only the newest mark at least a window old is still needed.
  while (marks_.size() > 1 && nowMs - marks_[1].first >= rule_.windowMs) marks_.pop_front();
}

bool RateWatch::TooSlow(std::uint64_t nowMs) const {
  if (nowMs - startMs_ < rule_.windowMs) return false;
  // The bytes since the last mark a whole window back: a lower bound of the window's.
  std::uint64_t before = 0;
  for (const auto& [time, received] : marks_)
    if (nowMs - time >= rule_.windowMs) before = received;
  return total_ - before < rule_.minBytes;
}

RedirectStep DecideRedirect(int status, const std::string& location, int followed) {
  if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
    return RedirectStep::kNone;
  if (location.empty()) return RedirectStep::kNoLocation;
  if (followed >= kMaxRedirects) return RedirectStep::kTooMany;
  std::string scheme = location.substr(0, location.find(':'));
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (location.find("://") != scheme.size() || (scheme != "http" && scheme != "https"))
    return RedirectStep::kRefusedScheme;
  return RedirectStep::kFollow;
}

const char* RedirectText(RedirectStep step) {
  switch (step) {
    case RedirectStep::kNone:
      return "no redirect";
    case RedirectStep::kFollow:
      return "followed";
    case RedirectStep::kTooMany:
      return "refused: more than five";
    case RedirectStep::kRefusedScheme:
      return "refused: not http or https";
    case RedirectStep::kNoLocation:
      return "refused: no Location";
  }
  return "?";
}

}  // namespace updater
