#include <cstdarg>
#include <algorithm>
#include <cstring>
#include <memory>

#include "s_logging.h"

namespace {
std::unique_ptr<CStr> theStr;
}

CStr* CStr::Instance() {
  if (!theStr) theStr = std::make_unique<CStr>();
  return theStr.get();
}

void CStr::FreeInstance() {
  theStr.reset();
}

const char* CStr::Format(const char* format, ...) {
  buffer_[0] = '\0';
  if (format == nullptr) return buffer_;
  std::va_list args;
  va_start(args, format);
  FormatTextV(buffer_, sizeof buffer_, format, args);
  va_end(args);
  return buffer_;
}

int CStr::FindChar(const char* text, char character, bool last) {
  if (text == nullptr || character == '\0') return -1;
  int found = -1;
  for (int i = 0; text[i] != '\0'; ++i) {
    if (text[i] != character) continue;
    found = i;
    if (!last) break;
  }
  return found;
}

void CStr::Cut(char* text, int position, int count) {
  if (text == nullptr || position < 0 || count <= 0) return;
  const std::size_t length = std::strlen(text);
  const auto start = static_cast<std::size_t>(position);
  if (start >= length) return;
  const std::size_t removed = std::min(static_cast<std::size_t>(count), length - start);
  // Moves the rest including its terminator.
  std::memmove(text + start, text + start + removed, length - start - removed + 1);
}

void CStr::Clear(char* buffer, std::size_t size, const char* source) {
  if (buffer == nullptr || size == 0) return;
  std::memset(buffer, 0, size);
  if (source == nullptr) return;
  std::size_t length = 0;
  while (length < size - 1 && source[length] != '\0') ++length;
  std::memcpy(buffer, source, length);
}
