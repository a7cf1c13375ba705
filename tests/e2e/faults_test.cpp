// Installations that meet the user's machine as it is: a full disk, a read-only
// medium, a file another program holds open, plain files where folders must go, a
// folder where a link must go, a registry that takes no writes. Each must end on the
// failure page with its message, register nothing, claim no success, leave other
// people's files as they were, and end the process with 0.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <optional>

#include "driver.h"
#include "faults_support.h"
#include "s_lang_ids.h"

namespace faults {
namespace {

using driver::FileExists;

// "An exception occured while copying: " + Windows' description + " (" + name + ")".
struct FileFailure {
  std::string description;
  std::string name;
};
std::optional<FileFailure> ParseFileFailure(const std::string& text) {
  const std::string prefix = Catalogue(kMsgCopyException);
  const std::size_t open = text.rfind(" (");
  if (text.rfind(prefix, 0) != 0 || open == std::string::npos || open < prefix.size() ||
      text.back() != ')')
    return std::nullopt;
  return FileFailure{text.substr(prefix.size(), open - prefix.size()),
                     text.substr(open + 2, text.size() - open - 3)};
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

class InstallationFault : public ::testing::Test {
 protected:
  // Runs the demo installer with `settings` and checks what every failure shares.
  FailureSeen FailWith(const InstallSettings& settings,
                       const std::string& setup = DemoFullSetup()) {
    // A run that registered would make every later one refuse as "already installed".
    EXPECT_TRUE(NothingRegistered()) << "registered before the test: " << RegistryLeftovers();
    driver::App app = StartInstallation(setup, settings);
    FailureSeen seen = FinishFailedInstallation(app);
    EXPECT_EQ(seen.caption, Catalogue(kMsgError));
    EXPECT_TRUE(seen.onFailurePage) << "the wizard did not end on its failure page";
    EXPECT_EQ(seen.finishButton, Catalogue(kMsgFinished));
    EXPECT_TRUE(seen.cancelHidden);
    EXPECT_EQ(seen.exitCode, 0u);
    EXPECT_TRUE(NothingRegistered()) << "registered after a failure: " << RegistryLeftovers();
    return seen;
  }
  void ExpectFileFailure(const FailureSeen& seen, std::initializer_list<DWORD> errors,
                         const std::string& name = {}) {
    const auto failure = ParseFileFailure(seen.text);
    ASSERT_TRUE(failure.has_value()) << "not a file failure: " << seen.text;
    bool known = false;
    for (DWORD error : errors) known = known || failure->description == SystemMessage(error);
    EXPECT_TRUE(known) << "unexpected description: " << failure->description;
    EXPECT_FALSE(failure->name.empty());
    if (!name.empty()) {
      EXPECT_EQ(failure->name, name);
    }
  }
  static std::optional<ULONGLONG> LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32 |
           data.ftLastWriteTime.dwLowDateTime;
  }
  std::string RequireMedia() {
    const auto media = FaultMedia();
    if (!media) return {};
    return *media;
  }
};

TEST_F(InstallationFault, FullDiskEndsWithWindowsDescriptionAndTheFileName) {
  const std::string media = RequireMedia();
  if (media.empty()) GTEST_SKIP() << "the fault media are not mounted (mounting needs root)";
  const std::string bystander = media + "\\full\\other program.cfg";
  WriteBystander(bystander, "volume=7\r\n");
  const FailureSeen seen = FailWith({media + "\\full\\Tidemoor"});
  ExpectFileFailure(seen, {ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL});
  EXPECT_EQ(ReadFileBytes(bystander), "volume=7\r\n");
  // The half-written file must not carry the archive's time, which would make it
  // look like the finished file.
  const auto failure = ParseFileFailure(seen.text);
  ASSERT_TRUE(failure.has_value());
  std::string relative = failure->name;
  for (char& c : relative)
    if (c == '/') c = '\\';
  const auto partial = LastWriteTime(media + "\\full\\Tidemoor\\" + relative);
  const auto archived = LastWriteTime(driver::WinePath(TDM_DEMO_FULL_PAYLOAD) + "\\" + relative);
  ASSERT_TRUE(partial.has_value() && archived.has_value()) << relative;
  EXPECT_NE(*partial, *archived);
}

TEST_F(InstallationFault, ReadOnlyMediumRefusesTheInstallationDirectory) {
  const std::string media = RequireMedia();
  if (media.empty()) GTEST_SKIP() << "the fault media are not mounted (mounting needs root)";
  const FailureSeen seen = FailWith({media + "\\readonly\\Fresh\\Tidemoor"});
  EXPECT_EQ(seen.text, Catalogue(kMsgCreateDirectoryFailed));
  EXPECT_FALSE(FileExists(media + "\\readonly\\Fresh"));
  EXPECT_EQ(ReadFileBytes(media + "\\readonly\\keep.txt"), "bystander on a read-only medium\n");
}

TEST_F(InstallationFault, ReadOnlyMediumRefusesTheFirstFile) {
  const std::string media = RequireMedia();
  if (media.empty()) GTEST_SKIP() << "the fault media are not mounted (mounting needs root)";
  // The fixture made the demo's folders before the medium became read-only.
  const FailureSeen seen = FailWith({media + "\\readonly\\Tidemoor"});
  ExpectFileFailure(seen, {ERROR_ACCESS_DENIED, ERROR_WRITE_PROTECT});
  EXPECT_EQ(ReadFileBytes(media + "\\readonly\\keep.txt"), "bystander on a read-only medium\n");
}

TEST_F(InstallationFault, FileHeldOpenByAnotherProgramKeepsItsContents) {
  const std::string directory = "C:\\tdm-faults-held\\Tidemoor";
  CreateDirectoryA("C:\\tdm-faults-held", nullptr);
  CreateDirectoryA(directory.c_str(), nullptr);
  WriteBystander(directory + "\\savegame.sav", "harbour level 3");
  const std::string held = directory + "\\readme.txt";
  HANDLE file = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "my own notes", 12, &written, nullptr);
  const FailureSeen seen = FailWith({directory});
  CloseHandle(file);
  ExpectFileFailure(seen, {ERROR_SHARING_VIOLATION}, "readme.txt");
  EXPECT_EQ(ReadFileBytes(held), "my own notes");
  EXPECT_EQ(ReadFileBytes(directory + "\\savegame.sav"), "harbour level 3");
}

TEST_F(InstallationFault, PlainFileWhereTheInstallationDirectoryMustBe) {
  CreateDirectoryA("C:\\tdm-faults-plain", nullptr);
  WriteBystander("C:\\tdm-faults-plain\\Tidemoor", "not a folder");
  const FailureSeen seen = FailWith({"C:\\tdm-faults-plain\\Tidemoor"});
  EXPECT_EQ(seen.text, Catalogue(kMsgCreateDirectoryFailed));
  EXPECT_EQ(ReadFileBytes("C:\\tdm-faults-plain\\Tidemoor"), "not a folder");
}

TEST_F(InstallationFault, PlainFileWhereAnArchiveDirectoryMustBe) {
  CreateDirectoryA("C:\\tdm-faults-archive-dir", nullptr);
  CreateDirectoryA("C:\\tdm-faults-archive-dir\\Tidemoor", nullptr);
  WriteBystander("C:\\tdm-faults-archive-dir\\Tidemoor\\data", "not a folder either");
  const FailureSeen seen = FailWith({"C:\\tdm-faults-archive-dir\\Tidemoor"});
  EXPECT_EQ(seen.text, Catalogue(kMsgCreateDirectoryFailed));
  EXPECT_EQ(ReadFileBytes("C:\\tdm-faults-archive-dir\\Tidemoor\\data"), "not a folder either");
}

TEST_F(InstallationFault, PlainFileWhereTheProgramGroupMustBe) {
  const std::string programs = ShellFolder(CSIDL_PROGRAMS);
  ASSERT_FALSE(programs.empty());
  const std::string inTheWay = programs + "\\Tidemoor Faults";
  WriteBystander(inTheWay, "a file, not a group");
  InstallSettings settings{"C:\\tdm-faults-group\\Tidemoor"};
  settings.group = "Tidemoor Faults";
  const FailureSeen seen = FailWith(settings);
  EXPECT_EQ(seen.text, Catalogue(kMsgCreateDirectoryFailed));
  EXPECT_EQ(ReadFileBytes(inTheWay), "a file, not a group");
  DeleteFileA(inTheWay.c_str());
}

TEST_F(InstallationFault, FolderWhereTheDesktopLinkMustBe) {
  const std::string desktop = "C:\\tdm-faults-desktop";
  UsePrivateDesktop(desktop);
  const std::string inTheWay = desktop + "\\Tidemoor.lnk";
  CreateDirectoryA(inTheWay.c_str(), nullptr);
  WriteBystander(inTheWay + "\\keep.txt", "inside the folder");
  InstallSettings settings{"C:\\tdm-faults-link\\Tidemoor"};
  settings.desktopIcon = true;
  const FailureSeen seen = FailWith(settings);
  EXPECT_EQ(seen.text, Catalogue(kMsgCreateLinkFailed));
  EXPECT_EQ(ReadFileBytes(inTheWay + "\\keep.txt"), "inside the folder");
}

TEST_F(InstallationFault, RegistryThatTakesNoWrites) {
  const FailureSeen seen =
      FailWith({"C:\\tdm-faults-registry\\Tidemoor"}, driver::WinePath(TDM_FAULTS_REGISTRY_SETUP));
  EXPECT_EQ(seen.text, Catalogue(kMsgRegistryWriteFailed));
  // The files were all written before the registry was reached.
  EXPECT_TRUE(FileExists("C:\\tdm-faults-registry\\Tidemoor\\TDMClient.exe"));
}

}  // namespace
}  // namespace faults
