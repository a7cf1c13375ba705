// The signed demo Setup.exe as Windows sees it: the resources mksetup wrote, through
// the loader, and two starts: as built, and with one archive byte changed.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "journey.h"
#include "s_lang_ids.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

std::string Segment(int n) {
  return ReadAll(driver::WinePath(TDM_DEMO_ARCHIVE) + "\\ID_SETUPFILE" + std::to_string(n) +
                 ".bin");
}

TEST(SignedSetup, TheLoaderFindsTheArchiveIconManifestAndVersion) {
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
  EXPECT_NE(resource(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))
                .find("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"),
            std::string::npos);
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
  DWORD ignored = 0;
  std::string info(GetFileVersionInfoSizeA(exe.c_str(), &ignored), '\0');
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) &&
              VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwProductVersionMS, 0x10031u);  // 1.49
}

TEST(SignedSetup, StartsAndRefusesOnceOneArchiveByteIsChanged) {
  const driver::ScratchDirectory folder("tdm-signed");
  const std::string exe = folder.CopyIn(driver::WinePath(TDM_SIGNED_SETUP), "Setup.exe");
  {
    driver::App app = driver::App::Start(exe);
    app.WaitForForm("FSetup").Child("Button2").Click();
    EXPECT_EQ(app.WaitForExit(), 0u);
  }
  std::string image = ReadAll(exe);
  const std::size_t at = image.find(Segment(1).substr(8, 64));
  ASSERT_NE(at, std::string::npos);
  image[at + 10] ^= 1;
  std::ofstream(exe, std::ios::binary) << image;
  driver::App app = driver::App::Start(exe);
  const driver::MessageBoxWindow box = app.WaitForMessageBox();
  EXPECT_EQ(box.Text().rfind(e2e::Text(kMsgSetupFileCorrupted), 0), 0u) << box.Text();
  box.Press(IDOK);
  EXPECT_EQ(app.WaitForExit(), 0u);
}

}  // namespace
