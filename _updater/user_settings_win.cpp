#include "fixed_names.h"
#include "s_handle_win.h"
#include "user_settings_win.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace updater {

namespace {

constexpr const char* kKey = installation::kUpdaterKey;

constexpr char kKeysValue[] = "TrustedKeys";      // REG_BINARY: the public keys, X||Y each
constexpr char kSerialValue[] = "TrustedSerial";  // REG_QWORD
constexpr DWORD kMaxKeysBytes = 64 * feed::kPublicKeySize;

bool Read(const char* name, DWORD flags, void* value, DWORD size, HKEY root = HKEY_CURRENT_USER) {
  return RegGetValueA(root, kKey, name, flags, nullptr, value, &size) == ERROR_SUCCESS;
}

bool Write(const char* name, DWORD type, const void* value, DWORD size,
           HKEY root = HKEY_CURRENT_USER) {
  handles::Key key;
  LSTATUS status =
      RegCreateKeyExA(root, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (status == ERROR_SUCCESS)
    status = RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(value), size);
  SetLastError(static_cast<DWORD>(status));
  return status == ERROR_SUCCESS;
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

bool ReadKeySet(bool allUsers, feed::KeySet& set) {
  const HKEY root = allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  std::vector<std::uint8_t> bytes(kMaxKeysBytes);
  DWORD size = kMaxKeysBytes;
  set = {};
  if (!Read(kSerialValue, RRF_RT_REG_QWORD, &set.serial, sizeof set.serial, root) ||
      RegGetValueA(root, kKey, kKeysValue, RRF_RT_REG_BINARY, nullptr, bytes.data(), &size) !=
          ERROR_SUCCESS ||
      size == 0 || size % feed::kPublicKeySize != 0)
    return false;
  set.keys.resize(size / feed::kPublicKeySize);
  for (std::size_t i = 0; i < set.keys.size(); ++i)
    std::memcpy(set.keys[i].data(), bytes.data() + i * feed::kPublicKeySize, feed::kPublicKeySize);
  return true;
}

// The keys first: a set cut short between the two writes keeps its old serial, which
// only lets the same records be followed once more.
bool WriteKeySet(bool allUsers, const feed::KeySet& set) {
  const HKEY root = allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  std::vector<std::uint8_t> bytes;
  for (const feed::PublicKey& key : set.keys) bytes.insert(bytes.end(), key.begin(), key.end());
  if (bytes.empty() || bytes.size() > kMaxKeysBytes) return false;
  return Write(kKeysValue, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()), root) &&
         Write(kSerialValue, REG_QWORD, &set.serial, sizeof set.serial, root);
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
