// The Windows halves of the base against Wine's real file system, registry and screen,
// read back through the API and not through the code under test.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>

#include "s_logging.h"
#include "s_monitor.h"
#include "s_monitor_win.h"
#include "s_product_lock_win.h"
#include "s_self_copy_win.h"
#include "s_registry_win.h"
#include "test_readers_win.h"

namespace {

using test_support::FileExists;
using test_support::KeyExists;
using test_support::ReadContents;
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
  for (const auto& [name, type, bytes] :
       {std::tuple("Empty", DWORD{REG_SZ}, std::string(1, '\0')),
        std::tuple("Language", DWORD{REG_DWORD}, std::string("\x04\x03\x02\x01", 4))}) {
    const test_support::RegValue stored = ReadValue(HKEY_LOCAL_MACHINE, kDeepKey, name);
    EXPECT_EQ(std::tie(stored.type, stored.bytes), std::tie(type, bytes)) << name;
  }
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
}

const std::string kDir = "C:\\tdm-log-test\\", kPath = kDir + "setup.log";

TEST(CLogFile, AppendsCrLfLinesBesideAnotherHandleAndASecondOpenEmpties) {
  std::filesystem::create_directories(kDir);
  CLog log(SystemLogPlatform());
  log.Open(2, kPath.c_str());
  log.Log(1, __FILE__, __LINE__, "from the first run");
  log.Open(2, kPath.c_str());
  const std::string header = ReadContents(kPath).value_or("");
  EXPECT_EQ(header.find("first run"), std::string::npos);
  HANDLE viewer =
      CreateFileA(kPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  log.Log(1, __FILE__, __LINE__, "first\nsecond");
  CloseHandle(viewer);
  const std::string bytes = ReadContents(kPath).value_or("");
  EXPECT_EQ(bytes.substr(0, header.size()), header);
  EXPECT_TRUE(bytes.ends_with(" : 1 : first\r\nsecond\r\n")) << bytes;
  EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
  std::filesystem::create_directories(kPath + ".d");  // a folder where the file must be
  for (const std::string& name : {kDir + "missing\\setup.log", kPath + ".d"}) {
    CLog lost(SystemLogPlatform());
    lost.Open(2, name.c_str());
    lost.Log(1, __FILE__, __LINE__, "lost");
    EXPECT_FALSE(FileExists(name)) << name;
  }
  std::filesystem::remove_all(kDir);
}

// The system C runtime formats here; it does not terminate a cut text by itself.
TEST(FormatText, CutsAtTheBufferAndTerminatesLikeTheCLibrary) {
  char text[8];
  FormatText(text, sizeof text, "%s%s", "abcd", "efgh");
  EXPECT_STREQ(text, "abcdefg");
  FormatText(text, sizeof text, "%02d:%ld", 7, -3L);
  EXPECT_STREQ(text, "07:-3");
}

// The arithmetic is the native test's; here: the primary monitor's work area (not the
// whole screen, not another monitor) is what gets halved.
TEST(CenterOnPrimaryMonitor, CentresInThePrimaryWorkArea) {
  MONITORINFO info{sizeof info, {}, {}, 0};
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
  const POINT place = CenterOnPrimaryMonitor(363, 403);
  EXPECT_EQ(place.x, CenteredStart(info.rcWork.right - info.rcWork.left, 363));
  EXPECT_EQ(place.y, CenteredStart(info.rcWork.bottom - info.rcWork.top, 403));
}

// One installation's lock: nested within the process, refused while another holds its
// file (an open without sharing stands in for another process), never in another
// installation's way, and gone from the folder once released.
TEST(CProductLock, PerInstallationNestedAndGoneOnceReleased) {
  const std::string dir = "C:\\tdm-lock-a", other = "C:\\tdm-lock-b";
  const std::string file = dir + "\\product.lock";
  CreateDirectoryA(dir.c_str(), nullptr);
  CreateDirectoryA(other.c_str(), nullptr);
  {
    CProductLock mine, nested, elsewhere;
    ASSERT_TRUE(mine.TryAcquire(dir + "\\") && nested.TryAcquire(dir));
    EXPECT_TRUE(elsewhere.TryAcquire(other));
    EXPECT_EQ(CreateFileA(file.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    nested.Release();
    EXPECT_TRUE(mine.Held());
  }
  EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << "deleted on close";
  const HANDLE held =
      CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  CProductLock refused;
  EXPECT_FALSE(refused.TryAcquire(dir) || refused.Held());
  EXPECT_FALSE(CProductLock().TryAcquire(dir + "\\missing"));
  CloseHandle(held);
  DeleteFileA(file.c_str());
  RemoveDirectoryA(dir.c_str());
  RemoveDirectoryA(other.c_str());
}

// Each copy in a new folder of its own; an elevated one under Windows\Temp, never in
// the user's temporary folder (Wine keeps no access list of its own for the folder,
// so that part is not shown here).
TEST(SelfCopy, NewFoldersAndTheAdministratorsOnlyOne) {
  const std::string first = self_copy::MakeSelfCopy("tdm-test", "copy.exe", false);
  const std::string second = self_copy::MakeSelfCopy("tdm-test", "copy.exe", false);
  ASSERT_TRUE(FileExists(first) && FileExists(second));
  const std::string folder = first.substr(0, first.rfind('\\'));
  EXPECT_NE(folder, second.substr(0, second.rfind('\\')));
  const std::string elevated = self_copy::MakeSelfCopy("tdm-test", "copy.exe", true);
  EXPECT_NE(elevated.find("\\Temp\\tdm-test-"), std::string::npos);
  // An hour old, the first is what an earlier run left: removed; the second stays.
  HANDLE handle = CreateFileA(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  FILETIME old{0, 0x01000000};
  ASSERT_TRUE(SetFileTime(handle, nullptr, nullptr, &old));
  CloseHandle(handle);
  self_copy::RemoveEarlierCopies("tdm-test", false);
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_TRUE(FileExists(second));
}

}  // namespace
