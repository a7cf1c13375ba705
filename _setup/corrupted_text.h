// The texts of a refused archive. Text 40 is the start of a message: the German one
// ends in " (" that the checksum figures close.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

// Text 40 with nothing after it: without the bracket it would leave open.
std::string CorruptedText(std::string_view text40);

// Text 40 followed by the computed and the stored sum: "...<computed><-><stored>)".
std::string ChecksumMismatchText(std::string_view text40, std::uint64_t computed,
                                 std::uint64_t stored);

}  // namespace setup
