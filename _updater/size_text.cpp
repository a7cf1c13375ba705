#include "size_text.h"

#include "s_lang.h"
#include "updater_msg_ids.h"

namespace updater {
namespace {

constexpr std::uint64_t kKilo = 1024;

// `bytes` in tenths of `unit`, rounded half up, without overflow for any 64-bit size.
std::uint64_t Tenths(std::uint64_t bytes, std::uint64_t unit) {
  const std::uint64_t whole = bytes / unit;
  const std::uint64_t rest = bytes % unit;
  return whole * 10 + (rest * 10 + unit / 2) / unit;
}

std::string WithOneDecimal(std::uint64_t tenths) {
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

// A size and its unit's text, "3.1 MBytes": the catalogue's unit without its full stop.
std::string SizeWithUnit(std::uint64_t bytes) {
  const SizeText size = DescribeSize(bytes);
  std::string unit = CLang::GetText(size.unitId);
  if (!unit.empty() && unit.back() == '.') unit.pop_back();
  return size.number + unit;
}

std::string Clock(std::uint64_t seconds) {
  const auto two = [](std::uint64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  if (seconds < 3600) return std::to_string(seconds / 60) + ":" + two(seconds % 60);
  return std::to_string(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
}

}  // namespace

SizeText DescribeSize(std::uint64_t bytes) {
  if (bytes < kKilo) return {std::to_string(bytes), kMsgUnitBytes};
  const std::uint64_t kiloTenths = Tenths(bytes, kKilo);
  if (kiloTenths < kKilo * 10) return {WithOneDecimal(kiloTenths), kMsgUnitKBytes};
  return {WithOneDecimal(Tenths(bytes, kKilo * kKilo)), kMsgUnitMBytes};
}

std::string NewFilesLine(std::uint64_t count, std::uint64_t bytes) {
  const SizeText size = DescribeSize(bytes);
  return std::string(CLang::GetText(kMsgNewFilesFound)) + std::to_string(count) +
         CLang::GetText(kMsgOverallLength) + size.number + CLang::GetText(size.unitId);
}

std::string TransferLine(std::uint64_t done, std::uint64_t total, std::uint64_t received,
                         std::uint64_t elapsedMs) {
  std::string line = SizeWithUnit(done) + " / " + SizeWithUnit(total);
  if (elapsedMs < 1000 || received == 0) return line;
  // Bytes per second; below 1e15 bytes no product here overflows.
  const std::uint64_t rate = received > ~std::uint64_t{0} / 1000 ? received / elapsedMs * 1000
                                                                 : received * 1000 / elapsedMs;
  if (rate == 0) return line;
  const std::uint64_t left = total > done ? total - done : 0;
  return line + ", " + SizeWithUnit(rate) + "/s, " + Clock(left / rate + (left % rate != 0));
}

}  // namespace updater
