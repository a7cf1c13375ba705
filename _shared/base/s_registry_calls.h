// The raw registry calls CReg makes. Their definitions are chosen when a program is
// linked: s_registry_calls_win.cpp (library tdm_registry_calls) passes them to the
// Windows API; the tests' tests/support/registry_refused_win.cpp (library
// tdm_registry_refused) refuses writes under HKEY_LOCAL_MACHINE, as Windows does for a
// user without the right, which Wine does not enforce. Link exactly one.
#pragma once

#include <windows.h>

namespace registry_calls {

LSTATUS CreateKey(HKEY root, const char* path, REGSAM access, HKEY* key);
LSTATUS OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key);
LSTATUS SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size);
LSTATUS QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size);
LSTATUS DeleteKey(HKEY root, const char* path);
LSTATUS CloseKey(HKEY key);

}  // namespace registry_calls
