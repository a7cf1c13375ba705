// The in-process tests of the installation engine: the real wizard form on a test
// archive in place of its resources, walked forward as the user does.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "test_readers_win.h"
#include "test_release.h"
#include "u_setup.h"

namespace setup_test {

using namespace test_support;

class EngineSetup : public TFSetup {
 public:
  explicit EngineSetup(const SegmentSet& archive) : archive_(archive) {}

 protected:
  void FormCreate() override;

 private:
  const SegmentSet& archive_;
};

// Clean product keys, shell folders of its own under a scratch root, English texts.
class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  EngineSetup& Open(const archive::ArchiveDescription& release);
  // Chooses the settings and goes forward to the copy; true on the success page.
  bool Install(const std::string& directory, const std::string& group = "Tidemoor",
               bool allUsers = false, bool desktopIcon = true);
  static std::string Text(std::uint32_t id);
  // The one error box raised, owned by no window, with OK alone.
  std::string OnlyBoxText() const;
  static void SetString(HKEY root, const char* key, const char* name, const std::string& value);
  static std::vector<std::string> FilesIn(const std::string& folder);
  // A volatile parent of the uninstall entries under `root`: it refuses every lasting
  // key below it. Restored at the end of the test.
  void RefuseUninstallEntry(HKEY root);

  std::string root_;
  std::string Dir() const { return root_ + "\\Games\\Tidemoor"; }
  std::string Folder(const char* name) const { return root_ + "\\" + name; }
  std::unique_ptr<EngineSetup> setup_;

 private:
  SegmentSet archive_;
  HKEY volatileRoot_ = nullptr;
};

inline constexpr char kProductKey[] = "Software\\Tidemoor";
inline constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
inline constexpr char kUninstallParent[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kProbeKey[] = "Software\\Test";
// The shell folders a test installs into: the value and its folder under root_.
inline constexpr std::pair<const char*, const char*> kTestShellFolders[] = {
    {"Desktop", "desktop"},
    {"Programs", "programs"},
    {"Common Desktop", "common-desktop"},
    {"Common Programs", "common-programs"}};

}  // namespace setup_test
