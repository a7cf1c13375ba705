// What the HTTP client accepts of a server besides its timeouts: a minimum rate, so a
// server that sends a byte now and then cannot hold a download for days, and a bounded
// number of redirects, each to http or https. Portable; times are milliseconds.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>

namespace updater {

struct RateRule {
  std::uint64_t windowMs = 0;
  std::uint64_t minBytes = 0;  // at least this much over any window
};
// 1 KiB/s over any 30 s in the program; chosen at link time (rate_rule_*.cpp), so a
// test build can shorten the window without a switch in the program.
RateRule TransferRateRule();

// The bytes of one answer as they arrive, against the rule.
class RateWatch {
 public:
  RateWatch(RateRule rule, std::uint64_t startMs);
  void Add(std::uint64_t nowMs, std::uint64_t bytes);
  // Fewer than the rule's bytes over the last window; never within the first one.
  bool TooSlow(std::uint64_t nowMs) const;

 private:
  RateRule rule_;
  std::uint64_t startMs_;
  std::uint64_t total_ = 0;
  // (time, bytes received up to then): the last one at least a window old, and later ones.
  std::deque<std::pair<std::uint64_t, std::uint64_t>> marks_;
};

inline constexpr int kMaxRedirects = 5;
enum class RedirectStep { kNone, kFollow, kTooMany, kRefusedScheme, kNoLocation };
// An answer's status and its Location made absolute: whether to follow it, `followed`
// redirects having been followed already.
RedirectStep DecideRedirect(int status, const std::string& location, int followed);
const char* RedirectText(RedirectStep step);

}  // namespace updater
