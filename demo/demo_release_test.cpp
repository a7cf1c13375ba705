// The demo release as the installer will see it: the clients' version resources carry
// the versions the manifests promise, and the payload folders hold what they should.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string DemoDirectory() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string text(path, length < sizeof path ? length : 0);
  return text.substr(0, text.find_last_of('\\') + 1);
}

// The product version from the fixed part, as the installer's update check reads it.
bool ProductVersion(const std::string& file, DWORD& ms, DWORD& ls) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<char> info(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!GetFileVersionInfoA(file.c_str(), 0, size, info.data()) ||
      !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
      fixed == nullptr || fixedSize < sizeof *fixed) {
    return false;
  }
  ms = fixed->dwProductVersionMS;
  ls = fixed->dwProductVersionLS;
  return true;
}

std::string Contents(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Exists(const std::string& file) {
  return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(DemoRelease, FullClientIsVersion807Build3) {
  DWORD ms = 0, ls = 0;
  ASSERT_TRUE(ProductVersion(DemoDirectory() + "payload-full\\TDMClient.exe", ms, ls));
  EXPECT_EQ(ms, 807u);
  EXPECT_EQ(ls, 3u);
}

TEST(DemoRelease, UpdateClientIsVersion807Build4) {
  DWORD ms = 0, ls = 0;
  ASSERT_TRUE(ProductVersion(DemoDirectory() + "payload-update\\TDMClient.exe", ms, ls));
  EXPECT_EQ(ms, 807u);
  EXPECT_EQ(ls, 4u);
}

// uninstall.exe is not among them: mksetup adds it.
TEST(DemoRelease, EveryShortcutTargetIsInBothPayloads) {
  for (const char* payload : {"payload-full\\", "payload-update\\"}) {
    for (const char* file : {"TDMClient.exe", "TDMOptions.exe", "readme.txt", "liesmich.txt"}) {
      EXPECT_TRUE(Exists(DemoDirectory() + payload + file)) << payload << file;
    }
  }
}

TEST(DemoRelease, ObsoleteIntroIsInTheFullReleaseOnly) {
  EXPECT_TRUE(Exists(DemoDirectory() + "payload-full\\data\\old_intro.dat"));
  EXPECT_FALSE(Exists(DemoDirectory() + "payload-update\\data\\old_intro.dat"));
  EXPECT_TRUE(Exists(DemoDirectory() + "payload-full\\data\\empty.dat"));
  EXPECT_EQ(Contents(DemoDirectory() + "payload-full\\data\\empty.dat"), "");
  EXPECT_TRUE(Exists(DemoDirectory() + "payload-full\\data\\sounds\\ambient sounds\\gulls.snd"));
}

TEST(DemoRelease, ReadmesAreWindows1252WithCrLf) {
  for (const char* readme : {"payload-full\\liesmich.txt", "payload-full\\readme.txt",
                             "payload-update\\liesmich.txt", "payload-update\\readme.txt"}) {
    const std::string text = Contents(DemoDirectory() + readme);
    ASSERT_FALSE(text.empty()) << readme;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') {
        ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << readme << " at " << i;
      }
    }
    EXPECT_EQ(text.find("\xC3"), std::string::npos) << readme << " looks like UTF-8";
  }
  // "Größere"/"Änderungen": the German readmes carry single-byte umlauts.
  EXPECT_NE(Contents(DemoDirectory() + "payload-full\\liesmich.txt").find("gro\xDF"),
            std::string::npos);
  EXPECT_NE(Contents(DemoDirectory() + "payload-update\\liesmich.txt").find("\xC4nderungen"),
            std::string::npos);
}

}  // namespace
