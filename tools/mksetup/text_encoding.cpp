#include "text_encoding.h"

#include <cstdint>
#include <cstdio>

namespace mksetup {
namespace {

// Code points of 0x80..0x9F; 0 where Windows-1252 defines no character.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool ToByte(char32_t code, std::uint8_t& byte) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
    byte = static_cast<std::uint8_t>(code);
    return true;
  }
  for (std::uint8_t i = 0; i < 32; ++i)
    if (kHighControls[i] != 0 && kHighControls[i] == code) {
      byte = static_cast<std::uint8_t>(0x80 + i);
      return true;
    }
  return false;
}

// Decodes one UTF-8 sequence at text[at]; false on a malformed, overlong or
// surrogate sequence.
bool Decode(std::string_view text, std::size_t& at, char32_t& code) {
  const auto lead = static_cast<std::uint8_t>(text[at]);
  int extra = 0;
  char32_t min = 0;
  if (lead < 0x80) {
    code = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    code = lead & 0x1Fu, extra = 1, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    code = lead & 0x0Fu, extra = 2, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    code = lead & 0x07u, extra = 3, min = 0x10000;
  } else {
    return false;
  }
  if (text.size() - at - 1 < static_cast<std::size_t>(extra)) return false;
  for (int i = 1; i <= extra; ++i) {
    const auto next = static_cast<std::uint8_t>(text[at + i]);
    if ((next & 0xC0) != 0x80) return false;
    code = code << 6 | (next & 0x3Fu);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
  at += static_cast<std::size_t>(extra) + 1;
  return true;
}

void Append(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

bool Utf8ToWindows1252(std::string_view utf8, std::string& out, std::string& problem) {
  out.clear();
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t code = 0;
    if (!Decode(utf8, at, code)) {
      problem = "is not valid UTF-8 (byte " + std::to_string(at + 1) + ")";
      return false;
    }
    std::uint8_t byte = 0;
    if (!ToByte(code, byte)) {
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(code));
      problem = std::string("holds ") + name + ", which Windows-1252 cannot hold";
      return false;
    }
    out += static_cast<char>(byte);
  }
  return true;
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte >= 0x80 && byte < 0xA0)
      Append(out, kHighControls[byte - 0x80] != 0 ? kHighControls[byte - 0x80] : 0xFFFD);
    else
      Append(out, byte);
  }
  return out;
}

}  // namespace mksetup
