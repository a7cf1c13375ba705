// A DLL planted beside Setup.exe (in a Downloads folder, say) must not run with its rights.
#include <windows.h>

#include "journey.h"
#include "pe_imports.h"

namespace e2e {
namespace {

// Windows 10's and 11's known DLLs (HKLM\SYSTEM\CurrentControlSet\Control\Session
// Manager\KnownDLLs), and ntdll, which every process has before its imports.
const std::string kKnownDlls =
    " advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf"
    " msvcrt normaliz nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32"
    " shlwapi user32 wldap32 ws2_32 ";

TEST(SafeLoading, ProgramsImportOnlyDllsWindowsTakesFromSystem32) {
  for (const char* program :
       {TDM_SETUP_STUB_EXE, TDM_UNINSTALL_EXE, TDM_UPDATER_EXE, TDM_DEMO_FULL_SETUP}) {
    const std::string file = ReadContents(driver::WinePath(program)).value_or("");
    std::vector<std::string> dlls;
    std::string error;
    EXPECT_TRUE(peres::ReadImportedDlls(std::vector<std::uint8_t>(file.begin(), file.end()), dlls,
                                        error) &&
                dlls.size() >= 3)  // kernel32, user32, msvcrt at least
        << program << ": " << error;
    for (std::string dll : dlls)
      EXPECT_NE(
          kKnownDlls.find(" " + std::string(CharLowerA(dll.data())).erase(dll.size() - 4) + " "),
          std::string::npos)
          << program << " imports " << dll << ", which Windows may take from its folder";
  }
}

// Wine takes its own DLL wherever a native one of the name lies, unless told to prefer
// the native one as Windows does. Setup's window uses comctl32, which loads uxtheme
// late; a planted version.dll cannot be shown: Wine's user32 (unlike Windows') imports
// it before the program's first statement.
TEST(SafeLoading, DllsPlantedBesideSetupAreNotLoaded) {
  const CleanRegistry clean;
  archive::ArchiveDescription release = TestRelease(archive::SetupKind::Update);
  release.requiredVersionLS = 2;
  SetupRun run(AllPresent(WriteSegments(release)));
  for (const char* name : {"comctl32.dll", "uxtheme.dll"})
    ASSERT_TRUE(CopyFileA(driver::WinePath(TDM_PLANTED_DLL).c_str(),
                          run.Folder().PathOf(name).c_str(), FALSE));
  char overrides[512] = {};
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides - 1);
  SetEnvironmentVariableA("WINEDLLOVERRIDES",
                          (std::string(overrides) + ";comctl32,uxtheme=n,b").c_str());
  RegisterEarlier(run.Folder().PathOf("Tidemoor"), 1, driver::WinePath(TDM_DEMO_CLIENT));
  run.StartOnly();
  const driver::MessageBoxWindow box = run.App().WaitForMessageBox();
  EXPECT_EQ(box.Caption(), Text(kMsgWrongClientVersion, 1));  // version.dll read the client
  box.Press();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
  for (const char* name : {"comctl32.dll", "uxtheme.dll"})
    EXPECT_FALSE(driver::FileExists(run.Folder().PathOf(name) + ".loaded")) << name;
}

}  // namespace
}  // namespace e2e
