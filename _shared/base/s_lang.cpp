#include "s_lang.h"

namespace {

// Constant-initialised, so it is German before any constructor of any window runs.
constinit std::uint32_t currentLanguage = kLanguageGerman;

}  // namespace

void CLang::SetLanguage(std::uint32_t language) {
  currentLanguage = language;
}

std::uint32_t CLang::GetLanguage() {
  return currentLanguage;
}
