// The file stage of CopyFiles: directories, file contents and times, the status
// line and the bar, trimming of the settings, an update's obsolete files.
#include <gtest/gtest.h>

#include <filesystem>

#include "install_test_support.h"
#include "message_box_recorder.h"
#include "s_lang.h"

namespace setup_test {
namespace {

using archive::SetupKind;
using gui::testing::RecordedMessageBoxes;

class InstallFiles : public InstallTest {};

TEST_F(InstallFiles, WritesEveryFileWithItsBytesAndTimesIntoNestedDirectories) {
  archive::ArchiveDescription release = SmallRelease();
  release.files.push_back(TextFile("data/empty.dat", ""));
  Open(release);
  ASSERT_TRUE(Install(InstallDir()));
  ExpectSuccessPage();

  EXPECT_TRUE(IsDirectory(InstallDir() + "\\data"));
  EXPECT_TRUE(IsDirectory(InstallDir() + "\\data\\maps"));
  for (const archive::WriterFile& file : release.files) {
    const std::string path = InstallDir() + "\\" + file.name;
    // Times first: reading the file may move its access time.
    const std::optional<FileTimes> times = ReadTimes(path);
    ASSERT_TRUE(times.has_value()) << file.name;
    EXPECT_EQ(times->creation, kFileTime) << file.name;
    EXPECT_EQ(times->lastAccess, kFileTime) << file.name;
    EXPECT_EQ(times->lastWrite, kFileTime) << file.name;
    const std::string expected(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size());
    EXPECT_EQ(ReadBytes(path), expected) << file.name;
  }
  EXPECT_EQ(ReadBytes(InstallDir() + "\\data\\empty.dat"), std::string());
}

TEST_F(InstallFiles, ReplacesAnExistingFileOfTheSameName) {
  Open(SmallRelease());
  std::filesystem::create_directories(InstallDir());
  WriteBytes(InstallDir() + "\\readme.txt", "an older and much longer readme text");
  ASSERT_TRUE(Install(InstallDir()));
  EXPECT_EQ(ReadBytes(InstallDir() + "\\readme.txt"), "Read me");
}

TEST_F(InstallFiles, StatusLineNamesEachFileAndTheBarStopsShortOfTheEnd) {
  const archive::ArchiveDescription release = SmallRelease();
  Open(release);
  ShownRecorder shown(setup_->lbl_progress.hwnd(), setup_->ProgressBar1.hwnd());
  ASSERT_TRUE(Install(InstallDir()));

  const std::size_t n = release.files.size();
  std::vector<std::string> expectedTexts = {"Creating directories and sub directories.",
                                            "Copy file:"};
  for (const archive::WriterFile& file : release.files)
    expectedTexts.push_back("Copy file: " + file.name);
  expectedTexts.push_back("Creating registry entries ...");
  EXPECT_EQ(shown.StatusTexts(), expectedTexts);

  // After each file's name the bar moves to i * 100 / n.
  std::vector<std::uint32_t> afterEachFile;
  const auto& events = shown.events();
  for (std::size_t at = 0; at + 1 < events.size(); ++at) {
    if (events[at].kind == ShownEvent::Status && events[at].text.rfind("Copy file: ", 0) == 0 &&
        events[at + 1].kind == ShownEvent::Position)
      afterEachFile.push_back(events[at + 1].position);
  }
  ASSERT_EQ(afterEachFile.size(), n);
  for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(afterEachFile[i], i * 100 / n) << i;
  EXPECT_EQ(afterEachFile.front(), 0u);
  EXPECT_EQ(setup_->ProgressBar1.Position(), (n - 1) * 100 / n);
}

TEST_F(InstallFiles, GermanStatusLineUsesTheStoredRelativeName) {
  CLang::SetLanguage(kLanguageGerman);
  Open(SmallRelease());
  ShownRecorder shown(setup_->lbl_progress.hwnd(), setup_->ProgressBar1.hwnd());
  ASSERT_TRUE(Install(InstallDir()));
  const std::vector<std::string> texts = shown.StatusTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Kopiere Datei: data/maps/harbour.map"),
            texts.end());
}

TEST_F(InstallFiles, WithOneFileTheBarStaysAtZero) {
  archive::ArchiveDescription release = SmallRelease();
  release.files = {TextFile("TDMClient.exe", "only file")};
  Open(release);
  ShownRecorder shown(setup_->lbl_progress.hwnd(), setup_->ProgressBar1.hwnd());
  ASSERT_TRUE(Install(InstallDir()));
  for (const ShownEvent& event : shown.events()) {
    if (event.kind == ShownEvent::Position) {
      EXPECT_EQ(event.position, 0u);
    }
  }
  EXPECT_EQ(setup_->ProgressBar1.Position(), 0u);
}

TEST_F(InstallFiles, TrailingBackslashOfTheDirectoryAndBothOfTheGroupAreRemoved) {
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir() + "\\", "\\Tidemoor\\"));
  EXPECT_EQ(setup_->Edit1.Text(), InstallDir());
  EXPECT_EQ(setup_->Edit2.Text(), "Tidemoor");
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir").bytes, Sz(InstallDir()));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "StartMenuGroup").bytes, Sz("Tidemoor"));
  EXPECT_TRUE(IsDirectory(Programs() + "\\Tidemoor"));
}

TEST_F(InstallFiles, GroupOfOnlyABackslashEndsInARangeCheckError) {
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir(), "\\"));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCopyException) + "Range check error");
  ExpectFailurePage();
  EXPECT_FALSE(IsDirectory(InstallDir()));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
}

TEST_F(InstallFiles, EmptyDirectoryEndsInARangeCheckError) {
  Open(SmallRelease());
  EXPECT_FALSE(Install(""));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCopyException) + "Range check error");
  ExpectFailurePage();
}

TEST_F(InstallFiles, AnExistingDirectoryIsUsedWithoutCreatingItsLevels) {
  // "a\..\b" exists through "b"; creating it level by level would make "a".
  std::filesystem::create_directories(root_ + "\\b");
  Open(SmallRelease());
  ASSERT_TRUE(Install(root_ + "\\a\\..\\b"));
  EXPECT_FALSE(IsDirectory(root_ + "\\a"));
  EXPECT_TRUE(IsDirectory(root_ + "\\b\\data\\maps"));
  EXPECT_EQ(ReadBytes(root_ + "\\b\\readme.txt"), "Read me");
}

TEST_F(InstallFiles, NetworkPathWithAMissingFinalDirectoryFails) {
  Open(SmallRelease());
  EXPECT_FALSE(Install("\\\\tdmserver\\share\\Tidemoor"));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateDirectoryFailed));
  ExpectFailurePage();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
}

TEST_F(InstallFiles, PlainFileWhereTheInstallationDirectoryMustBeFails) {
  WriteBytes(root_ + "\\Games", "a file, not a folder");
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir()));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateDirectoryFailed));
  ExpectFailurePage();
  EXPECT_EQ(ReadBytes(root_ + "\\Games"), "a file, not a folder");
}

TEST_F(InstallFiles, PlainFileWhereAnArchiveDirectoryMustBeFails) {
  std::filesystem::create_directories(InstallDir());
  WriteBytes(InstallDir() + "\\data", "a file, not a folder");
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir()));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateDirectoryFailed));
  ExpectFailurePage();
  EXPECT_FALSE(FileExists(InstallDir() + "\\readme.txt"));
}

TEST_F(InstallFiles, DirectoryOfMoreThan256ComponentsIsRefusedBeforeAnyIsMade) {
  std::string deep = root_;
  for (int i = 0; i < 260; ++i) deep += "\\a";
  Open(SmallRelease());
  EXPECT_FALSE(Install(deep));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateDirectoryFailed));
  ExpectFailurePage();
  EXPECT_FALSE(IsDirectory(root_ + "\\a"));
}

TEST_F(InstallFiles, DirectoryTooLongForItsBufferIsRefusedNotCut) {
  const std::string tooLong = root_ + "\\" + std::string(250, 'x');
  Open(SmallRelease());
  EXPECT_FALSE(Install(tooLong));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateDirectoryFailed));
  ExpectFailurePage();
  EXPECT_EQ(FilesIn(root_),
            (std::vector<std::string>{"common-desktop", "common-programs", "desktop", "programs"}));
}

TEST_F(InstallFiles, FilePathTooLongForItsBufferEndsTheInstallation) {
  archive::ArchiveDescription release = SmallRelease();
  const std::string longName = std::string(200, 'n') + ".dat";
  release.files = {TextFile("readme.txt", "Read me"), TextFile(longName, "too far"),
                   TextFile("TDMClient.exe", "never written")};
  Open(release);
  // Fits itself, and with "data\maps", but not with the long name.
  const std::string directory = root_ + "\\" + std::string(60, 'd');
  EXPECT_FALSE(Install(directory));
  const std::string text = OnlyBoxText();
  EXPECT_EQ(text.rfind(Text(kMsgCopyException), 0), 0u) << text;
  EXPECT_GT(text.size(), Text(kMsgCopyException).size() + longName.size() + 3) << text;
  EXPECT_EQ(text.substr(text.size() - longName.size() - 1), longName + ")") << text;
  ExpectFailurePage();
  EXPECT_TRUE(FileExists(directory + "\\readme.txt"));
  EXPECT_FALSE(FileExists(directory + "\\TDMClient.exe"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_TRUE(FilesIn(Desktop()).empty());
}

TEST_F(InstallFiles, FileThatCannotBeCreatedEndsTheInstallationAtOnce) {
  // A folder of the file's name: the file cannot be created.
  std::filesystem::create_directories(InstallDir() + "\\uninstall.exe");
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir()));
  const std::string text = OnlyBoxText();
  EXPECT_EQ(text.rfind(Text(kMsgCopyException), 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - 15), "(uninstall.exe)") << text;
  EXPECT_GT(text.size(), Text(kMsgCopyException).size() + 16) << "no description: " << text;
  ExpectFailurePage();
  // The file before it is written, none after it; no link, no registry value.
  EXPECT_TRUE(FileExists(InstallDir() + "\\TDMClient.exe"));
  EXPECT_FALSE(FileExists(InstallDir() + "\\TDMOptions.exe"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(FilesIn(Desktop()).empty());
  EXPECT_TRUE(FilesIn(Programs()).empty());
}

TEST_F(InstallFiles, UpdateDeletesObsoleteFilesAndGoesOnPastAMissingOne) {
  archive::ArchiveDescription update = SmallRelease(SetupKind::Update);
  update.obsoleteFiles = {"data/old_intro.dat", "data/never_there.dat"};
  std::filesystem::create_directories(InstallDir() + "\\data");
  WriteBytes(InstallDir() + "\\data\\old_intro.dat", "old intro");
  WriteBytes(InstallDir() + "\\data\\kept.dat", "kept");
  Open(update);
  ShownRecorder shown(setup_->lbl_progress.hwnd(), setup_->ProgressBar1.hwnd());
  ASSERT_TRUE(Install(InstallDir(), "Tidemoor", false, true));
  ExpectSuccessPage();

  EXPECT_FALSE(FileExists(InstallDir() + "\\data\\old_intro.dat"));
  EXPECT_TRUE(FileExists(InstallDir() + "\\data\\kept.dat"));
  const std::vector<std::string> texts = shown.StatusTexts();
  auto shownAt = [&](const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) - texts.begin();
  };
  const auto first = shownAt("Remove outdated file: data/old_intro.dat");
  const auto missing = shownAt("Remove outdated file: data/never_there.dat");
  ASSERT_LT(static_cast<std::size_t>(missing), texts.size());
  EXPECT_LT(first, missing);
  EXPECT_LT(missing, shownAt("Creating registry entries ..."));

  // An update writes no registry value and makes no desktop link, ticked or not.
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(FilesIn(Desktop()).empty());
  EXPECT_EQ(FilesIn(Programs() + "\\Tidemoor").size(), 4u);
}

}  // namespace
}  // namespace setup_test
