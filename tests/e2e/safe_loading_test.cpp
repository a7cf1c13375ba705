// A DLL planted beside Setup.exe (in a Downloads folder, say) must not run with its
// rights: the programs import directly only DLLs Windows always takes from System32
// and load the rest from System32 alone.
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "journey.h"
#include "pe_imports.h"

namespace e2e {
namespace {

// Windows 10's and 11's known DLLs (HKLM\SYSTEM\CurrentControlSet\Control\Session
// Manager\KnownDLLs) and ntdll, which every process has before its imports.
const char* const kKnownDlls[] = {
    "advapi32.dll", "clbcatq.dll",  "combase.dll",  "comdlg32.dll", "coml2.dll",    "difxapi.dll",
    "gdi32.dll",    "gdiplus.dll",  "imagehlp.dll", "imm32.dll",    "kernel32.dll", "msctf.dll",
    "msvcrt.dll",   "normaliz.dll", "nsi.dll",      "ntdll.dll",    "ole32.dll",    "oleaut32.dll",
    "psapi.dll",    "rpcrt4.dll",   "sechost.dll",  "setupapi.dll", "shcore.dll",   "shell32.dll",
    "shlwapi.dll",  "user32.dll",   "wldap32.dll",  "ws2_32.dll"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  return text;
}

TEST(SafeLoading, ProgramsImportOnlyDllsWindowsTakesFromSystem32) {
  for (const char* program : {TDM_SETUP_STUB_EXE, TDM_UNINSTALL_EXE, TDM_DEMO_FULL_SETUP}) {
    std::ifstream in(driver::WinePath(program), std::ios::binary);
    const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::string> dlls;
    std::string error;
    ASSERT_TRUE(peres::ReadImportedDlls(image, dlls, error)) << program << ": " << error;
    EXPECT_GE(dlls.size(), 3u) << program;  // kernel32, user32, msvcrt at least
    for (const std::string& dll : dlls)
      EXPECT_NE(std::find(std::begin(kKnownDlls), std::end(kKnownDlls), Lower(dll)),
                std::end(kKnownDlls))
          << program << " imports " << dll << ", which Windows may take from its folder";
  }
}

// Wine loads its own DLL wherever a native one of that name lies, unless told to prefer
// a native one, as Windows does: the planted DLLs are so preferred for Setup.exe. Its
// window takes the common controls and the theme (uxtheme is loaded late, by comctl32);
// a version.dll cannot be shown here, as Wine's own user32 imports it before the
// program's first statement (Windows' does not).
void PreferNativeDlls(const char* names) {
  char overrides[512] = {};
  const DWORD length = GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
  const std::string value =
      (length > 0 && length < sizeof overrides ? std::string(overrides) + ";" : "") + names +
      "=n,b";
  SetEnvironmentVariableA("WINEDLLOVERRIDES", value.c_str());
}

TEST(SafeLoading, DllsPlantedBesideSetupAreNotLoaded) {
  const CleanRegistry clean;
  archive::ArchiveDescription release = TestRelease(archive::SetupKind::Update);
  release.requiredVersionLS = 2;
  SetupRun run(AllPresent(WriteSegments(release)));
  const char* const planted[] = {"comctl32.dll", "uxtheme.dll"};
  for (const char* name : planted)
    ASSERT_TRUE(CopyFileA(driver::WinePath(TDM_PLANTED_DLL).c_str(),
                          run.Folder().PathOf(name).c_str(), FALSE));
  PreferNativeDlls("comctl32,uxtheme");
  RegisterEarlier(run.Folder().PathOf("Tidemoor"), 1, driver::WinePath(TDM_DEMO_CLIENT));
  run.StartOnly();
  const driver::MessageBoxWindow box = run.App().WaitForMessageBox();
  // The client's version was read (version.dll, loaded late) and the box has a theme.
  EXPECT_EQ(box.Caption(), Text(kMsgWrongClientVersion, 1));
  box.Press();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
  for (const char* name : planted)
    EXPECT_FALSE(driver::FileExists(run.Folder().PathOf(name) + ".loaded")) << name;
}

}  // namespace
}  // namespace e2e
