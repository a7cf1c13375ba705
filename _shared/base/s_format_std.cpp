#include <cstdio>

#include "s_format.h"

void FormatTextV(char* buffer, std::size_t size, const char* format, std::va_list args) {
  if (size != 0) std::vsnprintf(buffer, size, format, args);
}
