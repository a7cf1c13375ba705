// Stand-in for the game client: the installer only reads its version resource.
#include <windows.h>

#include "tdm_client_version.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Tidemoor " TDM_CLIENT_VERSION_TEXT " (demo client)", "Tidemoor", MB_OK);
  return 0;
}
