// The in-process tests of the installation engine: the real wizard form on a test
// archive in place of its resources, walked forward as the user does.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
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

  std::string root_;
  std::string Dir() const { return root_ + "\\Games\\Tidemoor"; }
  std::string Folder(const char* name) const { return root_ + "\\" + name; }
  std::unique_ptr<EngineSetup> setup_;

 private:
  SegmentSet archive_;
};

inline constexpr char kProductKey[] = "Software\\Tidemoor";
inline constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
inline constexpr char kProbeKey[] = "Software\\Test";
// "desktop", "programs", "common-desktop", "common-programs" under root_.
inline constexpr const char* kShellFolderNames[] = {"Desktop", "Programs", "Common Desktop",
                                                    "Common Programs"};

}  // namespace setup_test
