// The Windows half: msvcrt's _vsnprintf, which neither terminates a cut text nor
// counts like C99, so the last byte is reserved for the terminator here.
#include <cstdio>

#include "s_format.h"

void FormatTextV(char* buffer, std::size_t size, const char* format, std::va_list args) {
  if (size == 0) return;
  _vsnprintf(buffer, size - 1, format, args);
  buffer[size - 1] = '\0';
}
