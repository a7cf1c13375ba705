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

}  // namespace updater
