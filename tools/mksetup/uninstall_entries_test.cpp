#include "uninstall_entries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated: only what matters

namespace mksetup {
namespace {

// mksetup's list read back: every folder and file (the uninstaller and the list too)
// and the links; a payload holding either name is refused.
TEST(InstallList, WrittenByMksetup) {
  const auto folder = std::filesystem::temp_directory_path() / "tdm-uninstall-list-test";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "u.exe") << "MZ";
  const Manifest manifest{.folder = folder,
                          .packageVersionMS = 807,
                          .packageVersionLS = 4,
                          .uninstaller = {"u.exe", "m.ini line 9"}};
  archive::ArchiveDescription d{.directories = {"data"},
                                .readmes = {{{"a", "Wichtig.lnk"}, {"b", "Important.lnk"}}},
                                .files = {{"data/a.map", 0, 1, {}, {}}},
                                .desktopLinkName = "Tidemoor.lnk",
                                .shortcuts = {{"uninstall.exe", 25}}};
  std::string error;
  ASSERT_TRUE(AddUninstaller(manifest, d, error)) << error;
  ASSERT_EQ(d.files.size(), 3u);
  EXPECT_EQ(d.files[2].name + ":" + std::string(d.files[2].bytes.begin(), d.files[2].bytes.end()),
            "uninstall/0.807.4.lst:D data\r\nD uninstall\r\nF data\\a.map\r\nF uninstall.exe\r\n"
            "F uninstall\\0.807.4.lst\r\nL Tidemoor.lnk\r\nS 25\r\nR0 Wichtig.lnk\r\n"
            "R1 Important.lnk\r\n");
  for (const char* clash : {"Uninstall.EXE", "uninstall/0.807.4.lst"}) {
    archive::ArchiveDescription taken;
    taken.files = {{clash, 0, 1, {}, {}}};
    EXPECT_FALSE(AddUninstaller(manifest, taken, error)) << clash;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace mksetup
