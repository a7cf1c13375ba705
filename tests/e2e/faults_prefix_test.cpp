// A whole demo installation changes nothing but what it is asked to: every file of
// the Wine prefix and every registry key is listed before and after, and the only
// differences allowed are the installation directory, the desktop link, the program
// group, the log beside Setup.exe and the product's two registry keys.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <set>

#include "driver.h"
#include "faults_support.h"

namespace faults {
namespace {

// Path → size and last write time.
using FileList = std::map<std::string, std::pair<ULONGLONG, ULONGLONG>>;

// dosdevices links lead to the whole Unix file system; Wine links the user's own
// folders to the Unix home, shared with everything else on the machine. Those are left
// out; the test's desktop is a folder of the prefix.
bool LeadsOutOfThePrefix(const std::string& name) {
  static const char* const kLinked[] = {"dosdevices", "Desktop",  "Documents", "Downloads",
                                        "Music",      "Pictures", "Videos",    "Templates"};
  for (const char* linked : kLinked)
    if (name == linked) return true;
  return false;
}

void ListFiles(const std::string& directory, FileList& files) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = directory + "\\" + name;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      if (!LeadsOutOfThePrefix(name)) ListFiles(path, files);
      continue;
    }
    files[path] = {ULONGLONG{found.nFileSizeHigh} << 32 | found.nFileSizeLow,
                   ULONGLONG{found.ftLastWriteTime.dwHighDateTime} << 32 |
                       found.ftLastWriteTime.dwLowDateTime};
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

void ListKeys(HKEY root, const std::string& rootName, const std::string& path,
              std::set<std::string>& keys) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.empty() ? nullptr : path.c_str(), 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return;
  keys.insert(rootName + "\\" + path);
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    ListKeys(root, rootName, path.empty() ? name : path + "\\" + name, keys);
  }
  RegCloseKey(key);
}

// Wine keeps passing state under HKCU\Software\Wine, and builds the volatile device
// keys of the display when the first window of the session appears.
bool WineOwnKey(const std::string& key) {
  static const char* const kWine[] = {"HKCU\\Software\\Wine\\",
                                      "HKLM\\Hardware\\",
                                      "HKLM\\System\\CurrentControlSet\\Control\\DeviceClasses\\",
                                      "HKLM\\System\\CurrentControlSet\\Hardware Profiles\\",
                                      "HKLM\\System\\CurrentControlSet\\Control\\Video",
                                      "HKLM\\System\\CurrentControlSet\\Enum\\"};
  for (const char* wine : kWine)
    if (key.rfind(wine, 0) == 0) return true;
  return false;
}

std::set<std::string> AllKeys() {
  std::set<std::string> keys;
  ListKeys(HKEY_CURRENT_USER, "HKCU", "", keys);
  ListKeys(HKEY_LOCAL_MACHINE, "HKLM", "", keys);
  return keys;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool Under(const std::string& path, const std::string& folder) {
  return Lower(path).rfind(Lower(folder) + "\\", 0) == 0;
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

TEST(WholeInstallation, ChangesOnlyWhatItWasAskedTo) {
  const char* prefixEnv = std::getenv("WINEPREFIX");
  ASSERT_NE(prefixEnv, nullptr);
  const std::string prefix = driver::WinePath(prefixEnv);
  driver::ScratchDirectory scratch("tdm-faults-prefix");
  const std::string setup = scratch.CopyIn(driver::WinePath(TDM_DEMO_FULL_SETUP_UNIX), "Setup.exe");
  const std::string directory = "C:\\tdm-faults-prefix-target\\Tidemoor";

  const std::string desktop = "C:\\tdm-faults-prefix-desktop";
  UsePrivateDesktop(desktop);

  FileList before;
  ListFiles(prefix, before);
  const std::set<std::string> keysBefore = AllKeys();

  InstallSettings settings{directory};
  settings.desktopIcon = true;
  settings.arguments = "-debug";
  driver::App app = StartInstallation(setup, settings);
  const driver::Window form = app.WaitForForm("FSetup");
  driver::WaitUntil([&] { return form.Child("TabSheet4").IsVisible(); }, "the success page",
                    driver::Milliseconds{60000});
  form.Child("CheckBox4").SetChecked(false);
  form.Child("Button1").Click();
  ASSERT_EQ(app.WaitForExit(), 0u);

  FileList after;
  ListFiles(prefix, after);
  const std::set<std::string> keysAfter = AllKeys();

  // Where the installation may write, seen through the prefix's own Z: path.
  auto inPrefix = [&](const std::string& windowsPath) {  // C:\x is <prefix>\drive_c\x
    return prefix + "\\drive_c" + windowsPath.substr(2);
  };
  const std::string allowedFolders[] = {inPrefix(directory),
                                        inPrefix(ShellFolder(CSIDL_PROGRAMS) + "\\Tidemoor")};
  const std::string allowedFiles[] = {
      inPrefix(desktop + "\\Tidemoor.lnk"), inPrefix(scratch.PathOf("setup.log")),
      prefix + "\\system.reg", prefix + "\\user.reg", prefix + "\\userdef.reg"};
  auto allowed = [&](const std::string& path) {
    for (const std::string& folder : allowedFolders)
      if (Under(path, folder)) return true;
    for (const std::string& file : allowedFiles)
      if (Lower(path) == Lower(file)) return true;
    return false;
  };

  std::vector<std::string> unexpected;
  for (const auto& [path, stamp] : after) {
    const auto old = before.find(path);
    if ((old == before.end() || old->second != stamp) && !allowed(path))
      unexpected.push_back("changed or new: " + path);
  }
  for (const auto& [path, stamp] : before)
    if (after.count(path) == 0) unexpected.push_back("gone: " + path);
  EXPECT_THAT(unexpected, ::testing::IsEmpty());
  EXPECT_TRUE(after.count(inPrefix(directory + "\\TDMClient.exe")) == 1);
  EXPECT_TRUE(after.count(inPrefix(scratch.PathOf("setup.log"))) == 1);
  EXPECT_TRUE(after.count(inPrefix(desktop + "\\Tidemoor.lnk")) == 1);

  std::vector<std::string> newKeys, goneKeys;
  for (const std::string& key : keysAfter)
    if (keysBefore.count(key) == 0 && !WineOwnKey(key)) newKeys.push_back(key);
  for (const std::string& key : keysBefore)
    if (keysAfter.count(key) == 0) goneKeys.push_back(key);
  EXPECT_THAT(newKeys,
              ::testing::UnorderedElementsAre(
                  "HKCU\\Software\\Tidemoor",
                  "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor"));
  EXPECT_THAT(goneKeys, ::testing::IsEmpty());
}

}  // namespace
}  // namespace faults
