// Registry calls of a user without administrator rights: every create, open for
// writing, set and delete under HKEY_LOCAL_MACHINE is refused (Wine would allow them).
// With TDM_REGISTRY_REFUSE=all in the environment the same holds under every root: a
// locked-down profile whose registry takes no writes at all. Reads reach the real
// registry. Linked in place of the real calls.
#include <cstdlib>
#include <cstring>

#include "s_registry_calls.h"

namespace registry_calls {
namespace {

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | WRITE_DAC | WRITE_OWNER |
                                DELETE | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

bool Refused(HKEY root) {
  static const bool everywhere = [] {
    const char* scope = std::getenv("TDM_REGISTRY_REFUSE");
    return scope != nullptr && std::strcmp(scope, "all") == 0;
  }();
  return everywhere || root == HKEY_LOCAL_MACHINE;
}

}  // namespace

LSTATUS CreateKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
  if (Refused(root)) return ERROR_ACCESS_DENIED;
  return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key,
                         nullptr);
}

LSTATUS OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
  if (Refused(root) && (access & kWriteRights) != 0) return ERROR_ACCESS_DENIED;
  return RegOpenKeyExA(root, path, 0, access, key);
}

// A write handle under a refused root is never handed out, so this needs no check.
LSTATUS SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
  return RegSetValueExA(key, name, 0, type, data, size);
}

LSTATUS QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExA(key, name, nullptr, type, data, size);
}

LSTATUS DeleteKey(HKEY root, const char* path) {
  if (Refused(root)) return ERROR_ACCESS_DENIED;
  return RegDeleteKeyA(root, path);
}

LSTATUS CloseKey(HKEY key) {
  return RegCloseKey(key);
}

}  // namespace registry_calls
