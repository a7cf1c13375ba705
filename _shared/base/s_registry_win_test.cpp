// CReg against Wine's real registry, read back through the API and not through CReg.
#include "s_registry_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "test_readers_win.h"

namespace {

using test_support::KeyExists;
using test_support::ReadValue;

constexpr const char* kKey = "Software\\TidemoorRegTest";
constexpr const char* kDeepKey = "Software\\TidemoorRegTest\\Level1\\Level2";

class CRegTest : public ::testing::Test {
 protected:
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
    CReg::FreeInstance();
  }
  CReg& reg() { return *CReg::Instance(); }
  static void SetRaw(const char* name, DWORD type, const std::string& bytes) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, type, bytes.data(),
                              static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
  }
};

TEST_F(CRegTest, WritesKeepTypeAndBytesAndNeedAnExistingKey) {
  EXPECT_FALSE(reg().WriteString(HKEY_CURRENT_USER, kKey, "InstallDir", "C:\\Games"));
  EXPECT_FALSE(reg().WriteDWord(HKEY_CURRENT_USER, kKey, "Language", 1));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kKey));
  ASSERT_TRUE(reg().CreateKey(HKEY_LOCAL_MACHINE, kDeepKey));  // every level
  ASSERT_TRUE(reg().WriteString(HKEY_LOCAL_MACHINE, kDeepKey, "Empty", ""));
  ASSERT_TRUE(reg().WriteDWord(HKEY_LOCAL_MACHINE, kDeepKey, "Language", 0x01020304));
  EXPECT_TRUE(reg().CreateKey(HKEY_LOCAL_MACHINE, kDeepKey));  // again: the values stay
  const test_support::RegValue empty = ReadValue(HKEY_LOCAL_MACHINE, kDeepKey, "Empty");
  const test_support::RegValue language = ReadValue(HKEY_LOCAL_MACHINE, kDeepKey, "Language");
  EXPECT_EQ(std::tie(empty.type, empty.bytes), std::make_tuple(REG_SZ, std::string(1, '\0')));
  EXPECT_EQ(std::tie(language.type, language.bytes),
            std::make_tuple(REG_DWORD, std::string("\x04\x03\x02\x01", 4)));
}

TEST_F(CRegTest, ReadDWordTakesOnlyALittleEndianDwordElseGivesZero) {
  DWORD value = 99;
  EXPECT_FALSE(reg().ReadDWord(HKEY_CURRENT_USER, kKey, "Language", value));  // no key
  EXPECT_EQ(value, 0u);
  SetRaw("Text", REG_SZ, std::string("1\0", 2));
  SetRaw("BigEndian", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\1", 4));
  SetRaw("Language", REG_DWORD, std::string("\1\0\0\0", 4));
  for (const char* name : {"Missing", "Text", "BigEndian", "Language"}) {
    value = 99;
    EXPECT_EQ(reg().ReadDWord(HKEY_CURRENT_USER, kKey, name, value), name[0] == 'L') << name;
    EXPECT_EQ(value, name[0] == 'L' ? 1u : 0u) << name;
  }
}

// Into a 16-byte buffer between guard bytes, so a write past it shows.
TEST_F(CRegTest, ReadStringStaysInsideItsBufferAndAlwaysTerminates) {
  const std::tuple<const char*, DWORD, std::string, bool, const char*> rows[] = {
      {"Missing", REG_SZ, "", false, ""},
      {"Unterminated", REG_SZ, "abcde", true, "abcde"},
      {"FillsWithItsNul", REG_SZ, std::string("0123456789abcde\0", 16), true, "0123456789abcde"},
      {"ExactlyTheSizeUnterminated", REG_SZ, "0123456789abcdef", false, nullptr},
      {"Overlong", REG_SZ, std::string(40, 'L') + '\0', false, nullptr},
      {"Expandable", REG_EXPAND_SZ, std::string("%P%\\T\0", 6), true, "%P%\\T"},
      {"Dword", REG_DWORD, std::string("ABC\0", 4), true, "ABC"}};  // the raw bytes
  ASSERT_TRUE(reg().CreateKey(HKEY_CURRENT_USER, kKey));
  for (const auto& [name, type, stored, ok, expected] : rows) {
    if (std::strcmp(name, "Missing") != 0) SetRaw(name, type, stored);
    char guarded[48];
    std::memset(guarded, 'G', sizeof guarded);
    char* text = guarded + 16;
    EXPECT_EQ(reg().ReadString(HKEY_CURRENT_USER, kKey, name, text, 16), ok) << name;
    EXPECT_NE(std::memchr(text, '\0', 16), nullptr) << name;
    EXPECT_STREQ(expected != nullptr ? text : expected, expected) << name;
    EXPECT_EQ(std::string(guarded, 16) + std::string(guarded + 32, 16), std::string(32, 'G'));
  }
  char big[256];
  EXPECT_FALSE(reg().ReadString(HKEY_CURRENT_USER, "Software\\Nowhere", "X", big, sizeof big));
  ASSERT_TRUE(reg().ReadString(HKEY_CURRENT_USER, kKey, "Overlong", big, sizeof big));
  EXPECT_EQ(std::string(big), std::string(40, 'L'));
}

TEST_F(CRegTest, DeleteKeyRemovesAnEmptyKeyOnly) {
  ASSERT_TRUE(reg().CreateKey(HKEY_CURRENT_USER, kDeepKey));
  EXPECT_FALSE(reg().DeleteKey(HKEY_CURRENT_USER, kKey));  // still has a sub key
  EXPECT_TRUE(reg().DeleteKey(HKEY_CURRENT_USER, kDeepKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kDeepKey));
  EXPECT_FALSE(reg().DeleteKey(HKEY_CURRENT_USER, kDeepKey));
  CReg::FreeInstance();
  CReg::FreeInstance();  // twice is harmless, and a fresh object follows
  EXPECT_TRUE(CReg::Instance()->CreateKey(HKEY_CURRENT_USER, kKey));
}

}  // namespace
