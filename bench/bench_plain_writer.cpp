// bench_plain_writer: figure 7's reference, the least a Windows program does to write
// many small files: for each one create, one write, set the times and close, nothing
// else (no window, no log, no archive, no strings built on the heap).
//   bench_plain_writer <directory> <count> <bytes per file> <folders>
// The folders are made first; the time of the file loop is printed as
// "write_seconds <s>".
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fputs("usage: bench_plain_writer <directory> <count> <bytes per file> <folders>\n",
               stderr);
    return 2;
  }
  const char* directory = argv[1];
  const int count = std::atoi(argv[2]);
  const DWORD size = static_cast<DWORD>(std::atol(argv[3]));
  const int folders = std::atoi(argv[4]);
  if (count < 1 || size < 1 || folders < 1) return 2;
  auto* data = static_cast<unsigned char*>(
      VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (data == nullptr) return 1;
  for (DWORD i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 31);
  char path[MAX_PATH];
  CreateDirectoryA(directory, nullptr);
  for (int d = 0; d < folders; ++d) {
    std::snprintf(path, sizeof path, "%s\\d%d", directory, d);
    CreateDirectoryA(path, nullptr);
  }
  FILETIME time{};
  GetSystemTimeAsFileTime(&time);
  LARGE_INTEGER frequency{}, start{}, end{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < count; ++i) {
    std::snprintf(path, sizeof path, "%s\\d%d\\f%d", directory, i % folders, i);
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, data, size, &written, nullptr);
    SetFileTime(file, &time, &time, &time);
    CloseHandle(file);
    if (!wrote || written != size) return 1;
  }
  QueryPerformanceCounter(&end);
  std::printf("write_seconds %.3f\n", static_cast<double>(end.QuadPart - start.QuadPart) /
                                          static_cast<double>(frequency.QuadPart));
  return 0;
}
