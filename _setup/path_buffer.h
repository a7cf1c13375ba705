// Composed paths and registry strings live in fixed 256-byte buffers. A composition
// that would not fit is refused, never cut: a cut path names some other file.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>

namespace setup {

inline constexpr std::size_t kPathBufferSize = 256;
using PathBuffer = char[kPathBufferSize];

// Joins the parts into `out`; false (and `out` empty) when they need more than 255
// characters.
bool Compose(PathBuffer& out, std::initializer_list<std::string_view> parts);

// Splits a directory text at every backslash, as the installation directory is
// created one level at a time. Consecutive or leading backslashes give empty
// components. False when the text has more than `maxComponents` components.
template <class Sink>
bool SplitComponents(std::string_view text, std::size_t maxComponents, Sink&& sink) {
  std::size_t count = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find('\\', start);
    if (++count > maxComponents) return false;
    sink(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

}  // namespace setup
