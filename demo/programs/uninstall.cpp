// Stand-in for the product's uninstaller, which the installer only registers and links.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "The Tidemoor demo has no real uninstaller; nothing was removed.",
              "Tidemoor Uninstallation", MB_OK);
  return 0;
}
