// The update mksetup derives from two full releases, as a player meets it: the old
// full release installed, the derived update over it, and the installation directory
// compared with a fresh installation of the new full release (names without letter
// case, bytes, times); then the uninstaller removes each completely.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "journey.h"

namespace {

constexpr char kDir[] = "C:\\Tidemoor Derived";

struct Entry {
  bool directory = false;
  std::string bytes;
  std::uint64_t creation = 0, lastWrite = 0;
  bool operator==(const Entry&) const = default;
};
using Tree = std::map<std::string, Entry>;  // upper-case relative name

void Walk(const std::string& dir, const std::string& relative, Tree& tree) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found)) {
    const std::string name = found.cFileName, path = dir + "\\" + name;
    if (name == "." || name == "..") continue;
    std::string key = relative + name;
    CharUpperA(key.data());
    Entry& entry = tree[key];
    entry.directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (entry.directory) {
      Walk(path, relative + name + "\\", tree);
      continue;
    }
    entry.bytes = test_support::ReadContents(path).value_or("unreadable");
    const auto times = test_support::ReadTimes(path).value_or(test_support::FileTimes{});
    entry.creation = times.creation;
    entry.lastWrite = times.lastWrite;
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

Tree Installed() {
  Tree tree;
  Walk(kDir, "", tree);
  return tree;
}

void Install(const char* setup) {
  e2e::SetupRun run(setup);
  const driver::Window wizard = run.Start("");
  run.WalkToSettings(wizard);
  if (wizard.Child("Edit1").Text() != kDir) wizard.Child("Edit1").Type(kDir);
  ASSERT_EQ(run.Install(wizard), "");
  wizard.Child("CheckBox4").SetChecked(false);
  wizard.Child("Button1").Click();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
}

void UninstallCompletely() {
  std::string command;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    const auto value = test_support::ReadValue(root, e2e::kUninstallKey, "UninstallString");
    if (value.status == ERROR_SUCCESS && command.empty()) command = value.bytes.c_str();
  }
  ASSERT_FALSE(command.empty());
  EXPECT_EQ(driver::Process::Start(command + " /S").WaitForExit(driver::Milliseconds{120000}), 0u);
  EXPECT_FALSE(driver::FileExists(kDir));
}

TEST(DerivedUpdate, LeavesWhatAFreshInstallationOfTheNewReleaseLeaves) {
  e2e::CleanRegistry clean;
  Install(TDM_DEMO_FULL_SETUP);
  Install(TDM_DEMO_DERIVED_UPDATE);
  Tree updated = Installed();
  UninstallCompletely();
  Install(TDM_DEMO_NEXT_SETUP);
  const Tree fresh = Installed();
  UninstallCompletely();

  ASSERT_TRUE(fresh.count("UNINSTALL\\0.807.4.LST") && fresh.count("TDMCLIENT.EXE"));
  EXPECT_FALSE(updated.count("DATA\\OLD_INTRO.DAT")) << "the obsolete file is gone";
  // What an update cannot remove may stay: the old release's list, folders the new
  // release no longer has.
  for (auto it = updated.begin(); it != updated.end();)
    it = !fresh.count(it->first) && (it->second.directory || it->first == "UNINSTALL\\0.807.3.LST")
             ? updated.erase(it)
             : std::next(it);
  ASSERT_EQ(updated.size(), fresh.size());
  for (const auto& [name, entry] : fresh) {
    ASSERT_TRUE(updated.count(name)) << name;
    // The record of the folders a full installation made is its own, written when it
    // ran: an update leaves it as it was.
    if (name == "UNINSTALL\\CREATED.LST") continue;
    EXPECT_TRUE(updated.at(name) == entry) << name;
  }
}

}  // namespace
