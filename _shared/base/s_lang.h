// CLang: the process-wide message catalogue. Every text the installer shows is
// looked up here by its id (s_lang_ids.h) in the current language.
#pragma once

#include <cstdint>

#include "s_lang_ids.h"

inline constexpr std::uint32_t kLanguageGerman = 0;
inline constexpr std::uint32_t kLanguageEnglish = 1;

class CLang {
 public:
  CLang() = delete;

  // Stored unchecked: an earlier installation's registry value goes straight in.
  static void SetLanguage(std::uint32_t language);
  static std::uint32_t GetLanguage();

  // The text of the id in the current language, in Windows-1252; the language's
  // fall-back text for an id without a text; null for a language other than German
  // or English. The pointer stays valid for the life of the process.
  static const char* GetText(std::uint32_t id);
};
