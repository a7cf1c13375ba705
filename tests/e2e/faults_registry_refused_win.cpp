// Registry calls of a registry that takes no writes at all (a locked-down profile,
// a registry out of space): every create, open for writing, set and delete is
// refused under both roots; reads reach the real registry. Linked into a variant of
// Setup.exe for the fault tests, in place of the real calls.
#include "s_registry_calls.h"

namespace registry_calls {
namespace {

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | WRITE_DAC | WRITE_OWNER |
                                DELETE | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

}  // namespace

LSTATUS CreateKey(HKEY, const char*, REGSAM, HKEY*) {
  return ERROR_ACCESS_DENIED;
}

LSTATUS OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
  if ((access & kWriteRights) != 0) return ERROR_ACCESS_DENIED;
  return RegOpenKeyExA(root, path, 0, access, key);
}

LSTATUS SetValue(HKEY, const char*, DWORD, const BYTE*, DWORD) {
  return ERROR_ACCESS_DENIED;
}

LSTATUS QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExA(key, name, nullptr, type, data, size);
}

LSTATUS DeleteKey(HKEY, const char*) {
  return ERROR_ACCESS_DENIED;
}

LSTATUS CloseKey(HKEY key) {
  return RegCloseKey(key);
}

}  // namespace registry_calls
