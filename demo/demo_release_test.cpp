// The demo's readmes, and the signed Setup.exe loads its icon and starts (the clients'
// versions and the payloads: the install journeys).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "journey.h"
#include "test_readers_win.h"

namespace {

std::string Demo(const std::string& relative) {
  char path[MAX_PATH] = {};
  const std::string self(path, GetModuleFileNameA(nullptr, path, sizeof path));
  return self.substr(0, self.find_last_of('\\') + 1) + relative;
}

TEST(DemoRelease, ReadmesAreWindows1252WithCrLf) {
  for (const char* readme : {"payload-full\\liesmich.txt", "payload-full\\readme.txt",
                             "payload-update\\liesmich.txt", "payload-update\\readme.txt"}) {
    const std::string text = test_support::ReadContents(Demo(readme)).value_or("");
    ASSERT_FALSE(text.empty()) << readme;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
      ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << readme << " at " << at;
    EXPECT_EQ(text.find("\xC3"), std::string::npos) << readme << " looks like UTF-8";
  }
  // "Größere"/"Änderungen": single-byte umlauts.
  EXPECT_NE(test_support::ReadContents(Demo("payload-full\\liesmich.txt"))->find("gro\xDF"),
            std::string::npos);
  EXPECT_NE(test_support::ReadContents(Demo("payload-update\\liesmich.txt"))->find("\xC4nderungen"),
            std::string::npos);
}

// Setup.exe loads all three archive segments through the loader before its first form shows.
TEST(SignedSetup, LoadsItsIconAndStarts) {
  const std::string exe = Demo("signed\\Setup.exe");
  const HMODULE m = LoadLibraryExA(exe.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(m, nullptr) << GetLastError();
  for (int size : {16, 32}) {
    const HANDLE icon = LoadImageA(m, MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, 0);
    ICONINFO info{};
    BITMAP bitmap{};
    ASSERT_TRUE(icon != nullptr && GetIconInfo(static_cast<HICON>(icon), &info)) << size;
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(static_cast<HICON>(icon));
  }
  FreeLibrary(m);
  const driver::ScratchDirectory folder("tdm-signed");
  driver::App app = driver::App::Start(folder.CopyIn(exe, "Setup.exe"));
  app.WaitForForm("FSetup").Child("Button2").Click();
  EXPECT_EQ(app.WaitForExit(), 0u);
}

}  // namespace
