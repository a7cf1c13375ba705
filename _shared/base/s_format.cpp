#include "s_format.h"

void FormatText(char* buffer, std::size_t size, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  FormatTextV(buffer, size, format, args);
  va_end(args);
}

void FormatHex16(std::uint64_t value, char (&text)[17]) {
  constexpr char kDigits[] = "0123456789abcdef";
  for (int i = 15; i >= 0; --i, value >>= 4) text[i] = kDigits[value & 0xF];
  text[16] = '\0';
}
