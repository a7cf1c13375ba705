// Registry calls of a user without administrator rights: every create, open for
// writing and delete under HKEY_LOCAL_MACHINE is refused; everything else reaches the
// real registry. A write handle under HKEY_LOCAL_MACHINE can therefore never be had,
// so setting values needs no check of its own.
#include "s_registry_calls.h"

namespace registry_calls {
namespace {

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | WRITE_DAC | WRITE_OWNER |
                                DELETE | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

bool IsLocalMachine(HKEY root) {
  return root == HKEY_LOCAL_MACHINE;
}

}  // namespace

LSTATUS CreateKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
  if (IsLocalMachine(root)) return ERROR_ACCESS_DENIED;
  return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key,
                         nullptr);
}

LSTATUS OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
  if (IsLocalMachine(root) && (access & kWriteRights) != 0) return ERROR_ACCESS_DENIED;
  return RegOpenKeyExA(root, path, 0, access, key);
}

LSTATUS SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
  return RegSetValueExA(key, name, 0, type, data, size);
}

LSTATUS QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExA(key, name, nullptr, type, data, size);
}

LSTATUS DeleteKey(HKEY root, const char* path) {
  if (IsLocalMachine(root)) return ERROR_ACCESS_DENIED;
  return RegDeleteKeyA(root, path);
}

LSTATUS CloseKey(HKEY key) {
  return RegCloseKey(key);
}

}  // namespace registry_calls
