// A catalogue text for showing: the catalogue has none for a language other than
// German or English, and a missing text shows as an empty one.
#pragma once

#include <cstdint>

#include "s_lang.h"

namespace setup {

inline const char* Msg(std::uint32_t id) {
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

}  // namespace setup
