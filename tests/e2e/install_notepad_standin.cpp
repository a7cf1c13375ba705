// The text editor's stand-in, found first beside Setup.exe: writes each argument on a
// line of its own into notepad-args.txt beside itself (whole, by renaming), and ends.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  path = path.substr(0, path.find_last_of('\\') + 1) + "notepad-args";
  {
    std::ofstream out(path + ".tmp", std::ios::binary | std::ios::trunc);
    for (int i = 1; i < __argc; ++i) out << __argv[i] << "\n";
  }
  return MoveFileExA((path + ".tmp").c_str(), (path + ".txt").c_str(), MOVEFILE_REPLACE_EXISTING)
             ? 0
             : 1;
}
