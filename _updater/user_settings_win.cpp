#include "fixed_names.h"
#include "s_handle_win.h"
#include "user_settings_win.h"

#include <windows.h>

namespace updater {

namespace {

constexpr const char* kKey = installation::kUpdaterKey;

bool Read(const char* name, DWORD flags, void* value, DWORD size) {
  return RegGetValueA(HKEY_CURRENT_USER, kKey, name, flags, nullptr, value, &size) == ERROR_SUCCESS;
}

void Write(const char* name, DWORD type, const void* value, DWORD size) {
  handles::Key key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(value), size);
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

}  // namespace updater
