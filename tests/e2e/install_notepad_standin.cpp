// Stands in for the system's text editor in the end-to-end installation tests: found
// first on the search path (it sits beside Setup.exe), it writes each argument it
// received on a line of its own into notepad-args.txt beside itself, and ends.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  path = path.substr(0, path.find_last_of('\\') + 1) + "notepad-args.txt";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (int i = 1; i < __argc; ++i) out << __argv[i] << "\n";
  return 0;
}
