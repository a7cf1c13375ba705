// The signed demo Setup.exe as Windows sees it: the resources mksetup wrote, through the loader.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "journey.h"

namespace {

std::string Segment(int n) {
  std::ostringstream text;
  text << std::ifstream(
              driver::WinePath(TDM_DEMO_ARCHIVE) + "\\ID_SETUPFILE" + std::to_string(n) + ".bin",
              std::ios::binary)
              .rdbuf();
  return text.str();
}

TEST(SignedSetup, TheLoaderFindsTheArchiveAndIcon) {
  const std::string exe = driver::WinePath(TDM_SIGNED_SETUP);
  const HMODULE m = LoadLibraryExA(exe.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(m, nullptr) << GetLastError();
  auto resource = [m](const char* name, const char* type) {
    const HRSRC found = FindResourceA(m, name, type);
    const void* bytes = found != nullptr ? LockResource(LoadResource(m, found)) : nullptr;
    return bytes == nullptr
               ? std::string("missing")
               : std::string(static_cast<const char*>(bytes), SizeofResource(m, found));
  };
  for (int n = 1; n <= 3; ++n)
    EXPECT_EQ(resource(("ID_SETUPFILE" + std::to_string(n)).c_str(), "BIN"), Segment(n)) << n;
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
}

TEST(SignedSetup, Starts) {
  const driver::ScratchDirectory folder("tdm-signed");
  const std::string exe = folder.CopyIn(driver::WinePath(TDM_SIGNED_SETUP), "Setup.exe");
  driver::App app = driver::App::Start(exe);
  app.WaitForForm("FSetup").Child("Button2").Click();
  EXPECT_EQ(app.WaitForExit(), 0u);
}

}  // namespace
