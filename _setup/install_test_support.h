// The real wizard form on a test archive in place of its resources, walked forward as
// the user does; clean product keys and shell folders under a scratch root.
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

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  EngineSetup& Open(const archive::ArchiveDescription& release);
  // True when it ends on the success page.
  bool Install(const std::string& directory, const std::string& group = "Tidemoor",
               bool allUsers = false, bool desktopIcon = true);
  static std::string Text(std::uint32_t id);
  std::string OnlyBoxText() const;  // the one error box, owned by no window, OK alone
  static void SetString(HKEY root, const char* key, const char* name, const std::string& value);
  static std::vector<std::string> FilesIn(const std::string& folder);
  // A volatile parent of the uninstall entries refuses every lasting key below it.
  void RefuseUninstallEntry(HKEY root);
  std::string Dir() const { return root_ + "\\Games\\Tidemoor"; }
  std::string Folder(const char* name) const { return root_ + "\\" + name; }

  std::string root_;
  std::unique_ptr<EngineSetup> setup_;

 private:
  SegmentSet archive_;
  HKEY volatileRoot_ = nullptr;
};

inline constexpr char kProductKey[] = "Software\\Tidemoor";
inline constexpr char kUninstallParent[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
inline constexpr char kProbeKey[] = "Software\\Test";
inline constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace setup_test
