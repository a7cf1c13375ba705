// CReg against Wine's real registry; every test binary runs in a fresh prefix.
#include "s_registry_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr const char* kKey = "Software\\TidemoorRegTest";
constexpr const char* kDeepKey = "Software\\TidemoorRegTest\\Level1\\Level2";

// Test-side access to the registry, straight through the API and not through CReg.
bool KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void SetRaw(HKEY root, const char* path, const char* name, DWORD type, const void* data,
            DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

struct RawValue {
  LSTATUS status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::string bytes;
};

RawValue GetRaw(HKEY root, const char* path, const char* name) {
  RawValue value;
  HKEY key = nullptr;
  value.status = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
  if (value.status != ERROR_SUCCESS) return value;
  char data[1024];
  DWORD size = sizeof data;
  value.status =
      RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size);
  if (value.status == ERROR_SUCCESS) value.bytes.assign(data, size);
  RegCloseKey(key);
  return value;
}

class CRegTest : public ::testing::Test {
 protected:
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
    CReg::FreeInstance();
  }
  CReg& reg() { return *CReg::Instance(); }
};

TEST_F(CRegTest, CreateKeyMakesEveryLevelAndKeepsExistingValues) {
  ASSERT_TRUE(reg().CreateKey(HKEY_CURRENT_USER, kDeepKey));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kDeepKey));
  ASSERT_TRUE(reg().WriteString(HKEY_CURRENT_USER, kDeepKey, "InstallDir", "C:\\Games"));
  EXPECT_TRUE(reg().CreateKey(HKEY_CURRENT_USER, kDeepKey));
  EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, kDeepKey, "InstallDir").bytes, std::string("C:\\Games", 9));
}

TEST_F(CRegTest, RootsAreKeptApart) {
  ASSERT_TRUE(reg().CreateKey(HKEY_LOCAL_MACHINE, kKey));
  ASSERT_TRUE(reg().WriteDWord(HKEY_LOCAL_MACHINE, kKey, "Language", 1));
  DWORD value = 7;
  EXPECT_FALSE(reg().ReadDWord(HKEY_CURRENT_USER, kKey, "Language", value));
  EXPECT_TRUE(reg().ReadDWord(HKEY_LOCAL_MACHINE, kKey, "Language", value));
  EXPECT_EQ(value, 1u);
}

TEST_F(CRegTest, WritesIntoAMissingKeyFailAndCreateNothing) {
  EXPECT_FALSE(reg().WriteString(HKEY_CURRENT_USER, kKey, "InstallDir", "C:\\Games"));
  EXPECT_FALSE(reg().WriteDWord(HKEY_CURRENT_USER, kKey, "Language", 1));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kKey));
}

TEST_F(CRegTest, ValuesKeepTheirTypesAndBytes) {
  ASSERT_TRUE(reg().CreateKey(HKEY_CURRENT_USER, kKey));
  ASSERT_TRUE(reg().WriteDWord(HKEY_CURRENT_USER, kKey, "Language", 0x01020304));
  ASSERT_TRUE(reg().WriteString(HKEY_CURRENT_USER, kKey, "Empty", ""));
  const RawValue number = GetRaw(HKEY_CURRENT_USER, kKey, "Language");
  EXPECT_EQ(number.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(number.bytes, std::string("\x04\x03\x02\x01", 4));
  const RawValue empty = GetRaw(HKEY_CURRENT_USER, kKey, "Empty");
  EXPECT_EQ(empty.status, ERROR_SUCCESS);
  EXPECT_EQ(empty.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(empty.bytes, std::string(1, '\0'));
}

TEST_F(CRegTest, ReadDWordFailsWithZeroForMissingOrOtherTypes) {
  DWORD value = 99;
  EXPECT_FALSE(reg().ReadDWord(HKEY_CURRENT_USER, kKey, "Language", value));
  EXPECT_EQ(value, 0u);
  ASSERT_TRUE(reg().CreateKey(HKEY_CURRENT_USER, kKey));
  value = 99;
  EXPECT_FALSE(reg().ReadDWord(HKEY_CURRENT_USER, kKey, "Language", value));
  EXPECT_EQ(value, 0u);
  ASSERT_TRUE(reg().WriteString(HKEY_CURRENT_USER, kKey, "Language", "1"));
  value = 99;
  EXPECT_FALSE(reg().ReadDWord(HKEY_CURRENT_USER, kKey, "Language", value));
  EXPECT_EQ(value, 0u);
  const DWORD bigEndianOne = 0x01000000;
  SetRaw(HKEY_CURRENT_USER, kKey, "BigEndian", REG_DWORD_BIG_ENDIAN, &bigEndianOne, 4);
  EXPECT_FALSE(reg().ReadDWord(HKEY_CURRENT_USER, kKey, "BigEndian", value));
  EXPECT_EQ(value, 0u);
}

TEST_F(CRegTest, ReadStringReturnsTheRawBytesOfOtherTypes) {
  const char expandable[] = "%ProgramFiles%\\Tidemoor";
  SetRaw(HKEY_CURRENT_USER, kKey, "Expand", REG_EXPAND_SZ, expandable, sizeof expandable);
  const DWORD number = 0x00434241;  // "ABC" and a zero byte, little-endian
  SetRaw(HKEY_CURRENT_USER, kKey, "Number", REG_DWORD, &number, sizeof number);
  char buffer[256];
  ASSERT_TRUE(reg().ReadString(HKEY_CURRENT_USER, kKey, "Expand", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, expandable);
  ASSERT_TRUE(reg().ReadString(HKEY_CURRENT_USER, kKey, "Number", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "ABC");
}

TEST_F(CRegTest, ReadStringOfMissingKeyOrValueFailsWithAnEmptyText) {
  char buffer[256];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_FALSE(reg().ReadString(HKEY_CURRENT_USER, kKey, "InstallDir", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "");
  ASSERT_TRUE(reg().CreateKey(HKEY_CURRENT_USER, kKey));
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_FALSE(reg().ReadString(HKEY_CURRENT_USER, kKey, "InstallDir", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "");
}

// A 16-byte buffer inside guard bytes, so a write past it shows.
struct GuardedBuffer {
  char before[16];
  char text[16];
  char after[16];
  GuardedBuffer() {
    std::memset(before, 'G', sizeof before);
    std::memset(text, 'x', sizeof text);
    std::memset(after, 'G', sizeof after);
  }
  bool GuardsIntact() const {
    for (std::size_t i = 0; i < sizeof before; ++i) {
      if (before[i] != 'G' || after[i] != 'G') return false;
    }
    return true;
  }
};

TEST_F(CRegTest, UnterminatedValueIsTerminatedInsideTheBuffer) {
  SetRaw(HKEY_CURRENT_USER, kKey, "Short", REG_SZ, "abcde", 5);  // stored without NUL
  GuardedBuffer buffer;
  ASSERT_TRUE(reg().ReadString(HKEY_CURRENT_USER, kKey, "Short", buffer.text, sizeof buffer.text));
  EXPECT_STREQ(buffer.text, "abcde");
  EXPECT_TRUE(buffer.GuardsIntact());
}

TEST_F(CRegTest, UnterminatedValueOfExactlyTheBufferSizeFails) {
  SetRaw(HKEY_CURRENT_USER, kKey, "Exact", REG_SZ, "0123456789abcdef", 16);
  GuardedBuffer buffer;
  EXPECT_FALSE(reg().ReadString(HKEY_CURRENT_USER, kKey, "Exact", buffer.text, sizeof buffer.text));
  EXPECT_NE(std::memchr(buffer.text, '\0', sizeof buffer.text), nullptr);
  EXPECT_TRUE(buffer.GuardsIntact());
}

TEST_F(CRegTest, ValueWithItsTerminatorFillingTheBufferIsRead) {
  SetRaw(HKEY_CURRENT_USER, kKey, "Fits", REG_SZ, "0123456789abcde", 16);
  GuardedBuffer buffer;
  ASSERT_TRUE(reg().ReadString(HKEY_CURRENT_USER, kKey, "Fits", buffer.text, sizeof buffer.text));
  EXPECT_STREQ(buffer.text, "0123456789abcde");
  EXPECT_TRUE(buffer.GuardsIntact());
}

TEST_F(CRegTest, OverlongValueFailsAndLeavesATerminatedBuffer) {
  ASSERT_TRUE(reg().CreateKey(HKEY_CURRENT_USER, kKey));
  const std::string longText(40, 'L');
  ASSERT_TRUE(reg().WriteString(HKEY_CURRENT_USER, kKey, "Long", longText.c_str()));
  GuardedBuffer buffer;
  EXPECT_FALSE(reg().ReadString(HKEY_CURRENT_USER, kKey, "Long", buffer.text, sizeof buffer.text));
  EXPECT_NE(std::memchr(buffer.text, '\0', sizeof buffer.text), nullptr);
  EXPECT_TRUE(buffer.GuardsIntact());
  char big[256];
  ASSERT_TRUE(reg().ReadString(HKEY_CURRENT_USER, kKey, "Long", big, sizeof big));
  EXPECT_EQ(std::string(big), longText);
}

TEST_F(CRegTest, DeleteKeyRemovesAnEmptyKeyOnly) {
  ASSERT_TRUE(reg().CreateKey(HKEY_LOCAL_MACHINE, "Software\\Test"));
  EXPECT_TRUE(reg().DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Test"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Test"));
  EXPECT_FALSE(reg().DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Test"));
  ASSERT_TRUE(reg().CreateKey(HKEY_CURRENT_USER, kDeepKey));
  EXPECT_FALSE(reg().DeleteKey(HKEY_CURRENT_USER, kKey));  // still has a sub key
}

TEST_F(CRegTest, FreeInstanceTwiceThenInstanceGivesAFreshObject) {
  CReg* first = CReg::Instance();
  EXPECT_EQ(CReg::Instance(), first);
  CReg::FreeInstance();
  CReg::FreeInstance();
  CReg* fresh = CReg::Instance();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(CReg::Instance(), fresh);
  EXPECT_TRUE(fresh->CreateKey(HKEY_CURRENT_USER, kKey));
}

}  // namespace
