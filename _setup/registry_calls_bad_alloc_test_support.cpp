// Registry calls that run out of memory where the all-users probe creates its key and
// reach the real registry everywhere else: an exception from outside the class
// library in the middle of an installation.
#include <cstring>
#include <new>

#include "s_registry_calls.h"

namespace registry_calls {

LSTATUS CreateKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
  if (root == HKEY_LOCAL_MACHINE && std::strcmp(path, "Software\\Test") == 0)
    throw std::bad_alloc();
  return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key,
                         nullptr);
}

LSTATUS OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
  return RegOpenKeyExA(root, path, 0, access, key);
}

LSTATUS SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
  return RegSetValueExA(key, name, 0, type, data, size);
}

LSTATUS QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExA(key, name, nullptr, type, data, size);
}

LSTATUS DeleteKey(HKEY root, const char* path) {
  return RegDeleteKeyA(root, path);
}

LSTATUS CloseKey(HKEY key) {
  return RegCloseKey(key);
}

}  // namespace registry_calls
