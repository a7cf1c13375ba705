// Registry calls of a user without administrator rights, linked in place of the real
// ones: writes under HKEY_LOCAL_MACHINE are refused (Wine would allow them); with
// TDM_REGISTRY_REFUSE=all under every root. Reads pass. TDM_REGISTRY_REFUSE=bad_alloc
// refuses nothing but runs out of memory where the all-users probe creates its key.
#include <cstdlib>
#include <cstring>
#include <new>

#include "s_registry_calls.h"

namespace registry_calls {
namespace {

bool Scope(const char* name) {
  static const char* scope = std::getenv("TDM_REGISTRY_REFUSE");
  return scope != nullptr && std::strcmp(scope, name) == 0;
}

bool Refused(HKEY root) {
  return !Scope("bad_alloc") && (root == HKEY_LOCAL_MACHINE || Scope("all"));
}

}  // namespace

LSTATUS CreateKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
  if (Scope("bad_alloc") && root == HKEY_LOCAL_MACHINE && std::strcmp(path, "Software\\Test") == 0)
    throw std::bad_alloc();
  return Refused(root) ? ERROR_ACCESS_DENIED
                       : RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                         nullptr, key, nullptr);
}

LSTATUS OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
  constexpr REGSAM kWrite = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | WRITE_DAC | WRITE_OWNER | DELETE |
                            GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;
  if (Refused(root) && (access & kWrite) != 0) return ERROR_ACCESS_DENIED;
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
  return Refused(root) ? ERROR_ACCESS_DENIED : RegDeleteKeyA(root, path);
}

LSTATUS CloseKey(HKEY key) {
  return RegCloseKey(key);
}

}  // namespace registry_calls
