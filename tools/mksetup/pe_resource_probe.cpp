// Reads the resources that mksetup's writer put into this very program, through the
// same loader calls Setup.exe uses, and prints what it found for the test to compare.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void ReportSegment(HMODULE self, const char* name) {
  HRSRC found = FindResourceA(self, name, "BIN");
  if (found == nullptr) {
    std::printf("%s missing %lu\n", name, GetLastError());
    return;
  }
  HGLOBAL loaded = LoadResource(self, found);
  const DWORD size = SizeofResource(self, found);
  const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
  std::uint64_t sum = 0;
  for (DWORD i = 0; bytes != nullptr && i < size; ++i) sum += bytes[i];
  std::printf("%s %lu %llu\n", name, size, static_cast<unsigned long long>(sum));
}

void ReportManifest(HMODULE self) {
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  std::printf("manifest %lu\n", found != nullptr ? SizeofResource(self, found) : 0UL);
}

void ReportVersion() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  DWORD ignored = 0;
  const DWORD size = length < sizeof path ? GetFileVersionInfoSizeA(path, &ignored) : 0;
  std::vector<char> info(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (size == 0 || !GetFileVersionInfoA(path, 0, size, info.data()) ||
      !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
      fixed == nullptr || fixedSize < sizeof *fixed) {
    std::printf("version unreadable\n");
    return;
  }
  std::printf("version %lu %lu\n", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
}

}  // namespace

int main() {
  HMODULE self = GetModuleHandleA(nullptr);
  ReportSegment(self, "ID_SETUPFILE1");
  ReportSegment(self, "ID_SETUPFILE2");
  ReportSegment(self, "ID_SETUPFILE3");
  ReportManifest(self);
  ReportVersion();
  return 0;
}
