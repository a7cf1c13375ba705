// The language the installer starts in, from the user's default language id.
#pragma once

#include <cstdint>

// German (0) for German as used in Germany, Switzerland, Austria, Luxembourg and
// Liechtenstein; English (1) for every other id.
std::uint32_t LanguageForUserLangId(std::uint16_t langId);
