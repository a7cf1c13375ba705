#include "content_range.h"

#include <cctype>
#include <string_view>

namespace updater {
namespace {

constexpr int kStatusOk = 200;
constexpr int kStatusPartial = 206;
constexpr int kStatusRangeNotSatisfiable = 416;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Digits only, at least one, no overflow past 64 bits.
bool ReadNumber(std::string_view& text, std::uint64_t& value) {
  std::size_t used = 0;
  value = 0;
  while (used < text.size() && text[used] >= '0' && text[used] <= '9') {
    const auto digit = static_cast<std::uint64_t>(text[used] - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
    ++used;
  }
  text.remove_prefix(used);
  return used > 0;
}

bool Take(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

}  // namespace

bool ParseContentRange(const char* data, std::size_t size, ContentRange& range) {
  range = ContentRange{};
  std::string_view text(data, size);
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  // The unit is case-insensitive; one or more blanks follow it.
  constexpr std::string_view kUnit = "bytes";
  if (text.size() < kUnit.size()) return false;
  for (std::size_t i = 0; i < kUnit.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != kUnit[i]) return false;
  text.remove_prefix(kUnit.size());
  if (text.empty() || !IsBlank(text.front())) return false;
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);

  if (Take(text, '*')) {
    range.satisfied = false;
  } else if (!ReadNumber(text, range.first) || !Take(text, '-') || !ReadNumber(text, range.last) ||
             range.first > range.last) {
    return false;
  }
  if (!Take(text, '/')) return false;
  if (Take(text, '*')) {
    if (!range.satisfied) return false;  // "*/*" says nothing
  } else {
    if (!ReadNumber(text, range.total)) return false;
    range.totalKnown = true;
    if (range.satisfied && range.last >= range.total) return false;
  }
  return text.empty();
}

RangeRequest PlanRangeRequest(std::uint64_t partialSize, std::uint64_t expectedSize) {
  if (partialSize > expectedSize) return {true, false, 0};
  if (partialSize == expectedSize && expectedSize > 0) return {false, true, 0};
  return {false, false, partialSize};
}

ResumeDecision DecideResume(std::uint64_t asked, std::uint64_t expectedSize, int status,
                            bool hasRange, const ContentRange& range) {
  // The whole file, whether or not a range was asked for: write it from the start.
  if (status == kStatusOk) return {ResumeAction::kWrite, 0};
  if (status == kStatusRangeNotSatisfiable) {
    // Past the end only when the partial file already holds every byte.
    const bool whole = asked == expectedSize && asked > 0 &&
                       (!hasRange || !range.totalKnown || range.total == expectedSize);
    return {whole ? ResumeAction::kVerifyOnly : ResumeAction::kRestart, 0};
  }
  if (status != kStatusPartial) return {ResumeAction::kFail, 0};
  // A 206 must say which bytes it carries, of the file the index names.
  if (!hasRange || !range.satisfied || range.last >= expectedSize ||
      (range.totalKnown && range.total != expectedSize))
    return {ResumeAction::kRestart, 0};
  // From an earlier offset the bytes before it are kept and the rest overwritten;
  // from a later one there would be a hole.
  if (range.first > asked) return {ResumeAction::kRestart, 0};
  return {ResumeAction::kWrite, range.first};
}

}  // namespace updater
