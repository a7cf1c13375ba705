// printf formatting into a fixed buffer: cut at the buffer's end and always
// terminated. Two halves chosen at link time: the C library's vsnprintf in the
// portable build, the system's C runtime on Windows, which spares every Windows
// program mingw's own printf (about 20 KB of the stub).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#if defined(__clang__)
// clang knows no gnu_printf; its printf check is the C99 one either way.
#define TDM_PRINTF_LIKE(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))
#elif defined(__GNUC__)
#define TDM_PRINTF_LIKE(formatIndex, firstArgument) \
  __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#else
#define TDM_PRINTF_LIKE(formatIndex, firstArgument)
#endif

void FormatTextV(char* buffer, std::size_t size, const char* format, std::va_list args);
void FormatText(char* buffer, std::size_t size, const char* format, ...) TDM_PRINTF_LIKE(3, 4);

// `value` as "%016llx" writes it: 16 lowercase hexadecimal digits, zeros in front,
// terminated. msvcrt knows no %llx before Vista.
void FormatHex16(std::uint64_t value, char (&text)[17]);
