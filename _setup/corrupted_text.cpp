#include "corrupted_text.h"

namespace setup {

std::string CorruptedText(std::string_view text40) {
  if (!text40.empty() && text40.back() == '(') {
    text40.remove_suffix(1);
    while (!text40.empty() && text40.back() == ' ') text40.remove_suffix(1);
  }
  return std::string(text40);
}

std::string ChecksumMismatchText(std::string_view text40, std::uint64_t computed,
                                 std::uint64_t stored) {
  return std::string(text40) + std::to_string(computed) + "<->" + std::to_string(stored) + ")";
}

}  // namespace setup
