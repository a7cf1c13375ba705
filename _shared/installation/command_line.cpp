#include "command_line.h"

#include <cctype>

namespace setup {
namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
}  // namespace

const char* CommandLineTail(const char* commandLine) {
  if (commandLine == nullptr) return "";
  const char* at = commandLine;
  while (IsBlank(*at)) ++at;
  if (*at == '"') {
    ++at;
    while (*at != '\0' && *at != '"') ++at;
    if (*at == '"') ++at;
  } else {
    while (*at != '\0' && !IsBlank(*at)) ++at;
  }
  while (IsBlank(*at)) ++at;
  return at;
}

bool IsDebugSwitch(const char* tail) {
  static constexpr char kSwitch[] = "-debug";
  const char* at = tail;
  for (const char* want = kSwitch; *want != '\0'; ++want, ++at) {
    if (*at == '\0') return false;
    if (std::tolower(static_cast<unsigned char>(*at)) != *want) return false;
  }
  return *at == '\0';
}

}  // namespace setup
