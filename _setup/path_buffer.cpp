#include "path_buffer.h"

#include <cstring>

namespace setup {

bool Compose(PathBuffer& out, std::initializer_list<std::string_view> parts) {
  std::size_t length = 0;
  for (std::string_view part : parts) length += part.size();
  out[0] = '\0';
  if (length >= kPathBufferSize) return false;
  char* at = out;
  for (std::string_view part : parts) {
    std::memcpy(at, part.data(), part.size());
    at += part.size();
  }
  *at = '\0';
  return true;
}

}  // namespace setup
