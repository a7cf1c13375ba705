#include "s_lang_user.h"

#include "s_lang.h"

std::uint32_t LanguageForUserLangId(std::uint16_t langId) {
  switch (langId) {
    case 0x0407:
    case 0x0807:
    case 0x0C07:
    case 0x1007:
    case 0x1407:
      return kLanguageGerman;
    default:
      return kLanguageEnglish;
  }
}
