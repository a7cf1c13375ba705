#include "s_safe_loading_win.h"

#include <windows.h>

bool LoadDllsFromSystem32Only() {
  // Looked up rather than imported: a missing import would stop the program before it
  // could say why.
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const FARPROC found =
      kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
  if (found == nullptr) return false;
  // Through void(*)(), which GCC accepts as a cast between any function types.
  const auto set = reinterpret_cast<SetDirectories>(reinterpret_cast<void (*)()>(found));
  return set(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
}
