#include "s_format.h"

void FormatText(char* buffer, std::size_t size, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  FormatTextV(buffer, size, format, args);
  va_end(args);
}
