// Stand-in for the settings program behind the start-menu link with catalogue id 24.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Graphics, sound and controls would be set here.", "Tidemoor Setup", MB_OK);
  return 0;
}
