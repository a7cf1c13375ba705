#include "user_settings_win.h"

#include <windows.h>

namespace updater {

namespace {

constexpr char kKey[] = "Software\\Tidemoor\\Updater";

bool Read(const char* name, DWORD flags, void* value, DWORD size) {
  return RegGetValueA(HKEY_CURRENT_USER, kKey, name, flags, nullptr, value, &size) == ERROR_SUCCESS;
}

void Write(const char* name, DWORD type, const void* value, DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(value), size);
  RegCloseKey(key);
}

}  // namespace

bool CheckAutomatically() {
  DWORD value = 0;
  return Read("CheckAutomatically", RRF_RT_REG_DWORD, &value, sizeof value) && value != 0;
}

void SetCheckAutomatically(bool on) {
  const DWORD value = on ? 1 : 0;
  Write("CheckAutomatically", REG_DWORD, &value, sizeof value);
}

std::uint64_t HighestSerial() {
  std::uint64_t value = 0;
  return Read("HighestSerial", RRF_RT_REG_QWORD, &value, sizeof value) ? value : 0;
}

void SetHighestSerial(std::uint64_t serial) {
  Write("HighestSerial", REG_QWORD, &serial, sizeof serial);
}

std::vector<std::string> RememberedMirrors() {
  std::vector<std::string> mirrors;
  DWORD size = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, kKey, "Mirrors", RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                   &size) != ERROR_SUCCESS ||
      size > 64 * 1024)
    return mirrors;
  std::string text(size, '\0');
  if (!Read("Mirrors", RRF_RT_REG_MULTI_SZ, text.data(), size)) return mirrors;
  // Names, each ended by a NUL, and one more NUL at the end.
  for (std::size_t at = 0; at < text.size() && text[at] != '\0';) {
    const std::size_t end = text.find('\0', at);
    mirrors.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? end : end + 1;
  }
  return mirrors;
}

void SetRememberedMirrors(const std::vector<std::string>& mirrors) {
  std::string text;
  for (const std::string& mirror : mirrors) text += mirror + '\0';
  text += '\0';
  Write("Mirrors", REG_MULTI_SZ, text.data(), static_cast<DWORD>(text.size()));
}

}  // namespace updater
