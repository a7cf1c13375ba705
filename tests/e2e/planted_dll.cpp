// Planted beside a program under a system DLL's name: leaves "<its path>.loaded" when
// a process loads it, which must never happen.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  char path[MAX_PATH + 8] = {};  // room for ".loaded" and its NUL
  const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  if (reason == DLL_PROCESS_ATTACH && length > 0 && length < MAX_PATH)
    CloseHandle(CreateFileA(lstrcatA(path, ".loaded"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                            nullptr));
  return TRUE;
}
