// CReg linked with the refusing registry calls: a user without the right to write
// under HKEY_LOCAL_MACHINE.
#include <gtest/gtest.h>

#include "s_registry_win.h"

namespace {

constexpr const char* kKey = "Software\\TidemoorRefusedTest";

class RefusedLocalMachineTest : public ::testing::Test {
 protected:
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
    CReg::FreeInstance();
  }
  CReg& reg() { return *CReg::Instance(); }
};

TEST_F(RefusedLocalMachineTest, WritesUnderLocalMachineAreRefused) {
  EXPECT_FALSE(reg().CreateKey(HKEY_LOCAL_MACHINE, "Software\\Test"));
  HKEY probe = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Test", 0, KEY_READ, &probe),
            ERROR_SUCCESS);
  // A key that exists (made behind the seam's back) still takes no values and stays.
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_FALSE(reg().WriteString(HKEY_LOCAL_MACHINE, kKey, "InstallDir", "C:\\Games"));
  EXPECT_FALSE(reg().WriteDWord(HKEY_LOCAL_MACHINE, kKey, "Language", 1));
  EXPECT_FALSE(reg().DeleteKey(HKEY_LOCAL_MACHINE, kKey));
  char buffer[256];
  EXPECT_FALSE(reg().ReadString(HKEY_LOCAL_MACHINE, kKey, "InstallDir", buffer, sizeof buffer));
}

TEST_F(RefusedLocalMachineTest, ReadsUnderLocalMachinePass) {
  char buffer[256];
  EXPECT_TRUE(reg().ReadString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                               "ProgramFilesDir", buffer, sizeof buffer));
  EXPECT_NE(buffer[0], '\0');
}

TEST_F(RefusedLocalMachineTest, CurrentUserWritesPass) {
  ASSERT_TRUE(reg().CreateKey(HKEY_CURRENT_USER, kKey));
  EXPECT_TRUE(reg().WriteString(HKEY_CURRENT_USER, kKey, "InstallDir", "C:\\Games"));
  EXPECT_TRUE(reg().WriteDWord(HKEY_CURRENT_USER, kKey, "Language", 1));
  DWORD language = 0;
  EXPECT_TRUE(reg().ReadDWord(HKEY_CURRENT_USER, kKey, "Language", language));
  EXPECT_EQ(language, 1u);
  EXPECT_TRUE(reg().DeleteKey(HKEY_CURRENT_USER, kKey));
}

}  // namespace
