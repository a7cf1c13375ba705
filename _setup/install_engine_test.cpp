// Installations through the real wizard: what lands on disk, in the registry and in
// the link folders, what the status line and the bar show, and every failure that
// ends on the failure page with one box.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>

#include "install_test_support.h"
#include "s_lang.h"

namespace setup_test {
namespace {

using archive::SetupKind;
constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The texts set on the status line and, as "#n", the positions set on the bar.
struct Shown {
  Shown(HWND status, HWND bar) : status_(status), bar_(bar) {
    for (HWND window : {status, bar})
      SetWindowSubclass(window, Hook, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  ~Shown() {
    for (HWND window : {status_, bar_}) RemoveWindowSubclass(window, Hook, 1);
  }
  static LRESULT CALLBACK Hook(HWND hwnd, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                               DWORD_PTR data) {
    auto* self = reinterpret_cast<Shown*>(data);
    if (hwnd == self->status_ && message == WM_SETTEXT)
      self->seen.push_back(reinterpret_cast<const char*>(l));
    if (hwnd == self->bar_ && message == PBM_SETPOS) self->seen.push_back("#" + std::to_string(w));
    return DefSubclassProc(hwnd, message, w, l);
  }
  HWND status_, bar_;
  std::vector<std::string> seen;
};

class Installation : public InstallTest {
 protected:
  void ExpectLink(const std::string& link, const std::string& target, const std::string& dir) {
    const std::optional<LinkInfo> info = ReadLink(link);
    ASSERT_TRUE(info.has_value()) << link;
    EXPECT_EQ(info->target, dir + "\\" + target) << link;
    EXPECT_EQ(info->workingDirectory, dir) << link;
    EXPECT_EQ(info->arguments, "") << link;
    EXPECT_EQ(info->showCommand, SW_SHOWNORMAL) << link;
  }
  void ExpectGroup(const std::string& group, const std::string& dir, const char* readmeLink,
                   const char* readme) {
    std::vector<std::string> names = {Text(kMsgLinkGame), Text(kMsgLinkSetup),
                                      Text(kMsgLinkUninstall), readmeLink};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(FilesIn(group), names);
    ExpectLink(group + "\\" + Text(kMsgLinkGame), "TDMClient.exe", dir);
    ExpectLink(group + "\\" + Text(kMsgLinkSetup), "TDMOptions.exe", dir);
    ExpectLink(group + "\\" + Text(kMsgLinkUninstall), "uninstall.exe", dir);
    ExpectLink(group + "\\" + readmeLink, readme, dir);
  }
  void ExpectRegistered(HKEY settings, HKEY uninstall, const std::string& dir,
                        std::uint32_t language) {
    const std::pair<RegValue, std::string> expected[] = {
        {ReadValue(settings, kProductKey, "InstallDir"), Sz(dir)},
        {ReadValue(settings, kProductKey, "StartMenuGroup"), Sz("Tidemoor")},
        {ReadValue(uninstall, kUninstallKey, "DisplayName"), Sz("Tidemoor")},
        {ReadValue(uninstall, kUninstallKey, "UninstallString"),
         Sz("\"" + dir + "\\uninstall.exe\"")}};
    for (const auto& [value, bytes] : expected) {
      EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << bytes;
      EXPECT_EQ(value.bytes, bytes);
    }
    const RegValue stored = ReadValue(settings, kProductKey, "Language");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored.bytes, Dword(language));
    for (HKEY other : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      EXPECT_EQ(KeyExists(other, kProductKey), other == settings);
      EXPECT_EQ(KeyExists(other, kUninstallKey), other == uninstall);
    }
  }
};

TEST_F(Installation, CurrentUserInEnglishOverAnOlderReadmeAndAGroupFolderOfItsOwn) {
  const archive::ArchiveDescription release = TestRelease();
  std::filesystem::create_directories(Dir() + "\\docs");
  std::filesystem::create_directories(Folder("programs") + "\\Tidemoor");
  std::ofstream(Dir() + "\\docs\\readme.txt") << "an older and much longer readme text";
  std::ofstream(Folder("programs") + "\\Tidemoor\\notes.txt") << "mine";
  SetString(HKEY_LOCAL_MACHINE, kProbeKey, "Owner", "someone else");
  Open(release);
  Shown shown(setup_->lbl_progress.hwnd(), setup_->ProgressBar1.hwnd());
  ASSERT_TRUE(Install(Dir() + "\\", "\\Tidemoor\\"));  // the backslashes are trimmed away

  EXPECT_EQ(setup_->Edit1.Text(), Dir());
  std::vector<std::string> texts, afterEachFile;
  for (std::size_t i = 0; i < shown.seen.size(); ++i) {
    if (shown.seen[i][0] != '#') texts.push_back(shown.seen[i]);
    if (shown.seen[i].rfind(Text(kMsgCopyFile) + " ", 0) == 0 && i + 1 < shown.seen.size())
      afterEachFile.push_back(shown.seen[i + 1]);
  }
  std::vector<std::string> expected = {Text(kMsgCreatingDirectories), Text(kMsgCopyFile)};
  std::vector<std::string> positions;
  const std::size_t n = release.files.size();
  for (std::size_t i = 0; i < n; ++i) {
    const archive::WriterFile& file = release.files[i];
    expected.push_back(Text(kMsgCopyFile) + " " + file.name);
    positions.push_back("#" + std::to_string(i * 100 / n));  // never the end
    const std::string path = Dir() + "\\" + file.name;
    const std::optional<FileTimes> times = ReadTimes(path);  // before reading moves them
    ASSERT_TRUE(times.has_value()) << path;
    EXPECT_EQ(times->creation, kFileTime) << path;
    EXPECT_EQ(times->lastAccess, kFileTime) << path;
    EXPECT_EQ(times->lastWrite, kFileTime) << path;
    EXPECT_EQ(ReadContents(path),
              std::string(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()));
  }
  expected.push_back(Text(kMsgCreatingRegistryEntries));
  EXPECT_EQ(texts, expected);
  EXPECT_EQ(afterEachFile, positions);
  ExpectRegistered(HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, Dir(), 1);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProbeKey, "Owner").bytes, Sz("someone else"));
  EXPECT_EQ(FilesIn(Folder("desktop")), std::vector<std::string>{"Tidemoor.lnk"});
  ExpectLink(Folder("desktop") + "\\Tidemoor.lnk", "TDMClient.exe", Dir());
  const std::string group = Folder("programs") + "\\Tidemoor";
  EXPECT_EQ(ReadContents(group + "\\notes.txt"), "mine");
  std::filesystem::remove(group + "\\notes.txt");
  ExpectGroup(group, Dir(), "Readme.lnk", "docs\\readme.txt");
  EXPECT_TRUE(FilesIn(Folder("common-desktop")).empty());
  EXPECT_TRUE(FilesIn(Folder("common-programs")).empty());
}

TEST_F(Installation, AllUsersInGermanIntoADirectoryWithBlanks) {
  CLang::SetLanguage(kLanguageGerman);
  const std::string dir = root_ + "\\Program Files\\Tidemoor";
  Open(TestRelease());
  Shown shown(setup_->lbl_progress.hwnd(), setup_->ProgressBar1.hwnd());
  ASSERT_TRUE(Install(dir, "Tidemoor", true, true));
  EXPECT_NE(std::find(shown.seen.begin(), shown.seen.end(),
                      Text(kMsgCopyFile) + " data/maps/harbour.map"),
            shown.seen.end());
  ExpectRegistered(HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE, dir, 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProbeKey));  // the probe cleans up after itself
  ExpectLink(Folder("common-desktop") + "\\Tidemoor.lnk", "TDMClient.exe", dir);
  ExpectGroup(Folder("common-programs") + "\\Tidemoor", dir, "Liesmich.lnk", "docs\\liesmich.txt");
  EXPECT_TRUE(FilesIn(Folder("desktop")).empty());
  EXPECT_TRUE(FilesIn(Folder("programs")).empty());
}

TEST_F(Installation, UpdateForAllUsersWithoutCommonProgramsRemovesObsoleteFilesOnly) {
  archive::ArchiveDescription update = TestRelease(SetupKind::Update);
  update.obsoleteFiles = {"data/old_intro.dat", "data/never_there.dat"};
  std::filesystem::create_directories(Dir() + "\\data");
  std::ofstream(Dir() + "\\data\\old_intro.dat") << "old intro";
  std::ofstream(Dir() + "\\data\\kept.dat") << "kept";
  SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", Dir());
  SetString(HKEY_LOCAL_MACHINE, kProbeKey, "Owner", "someone else");  // the probe's key exists
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs");
  Open(update);
  Shown shown(setup_->lbl_progress.hwnd(), setup_->ProgressBar1.hwnd());
  ASSERT_TRUE(Install(Dir(), "Tidemoor", true, true));
  EXPECT_FALSE(FileExists(Dir() + "\\data\\old_intro.dat"));
  EXPECT_TRUE(FileExists(Dir() + "\\data\\kept.dat"));
  auto at = [&](const std::string& text) {
    return std::find(shown.seen.begin(), shown.seen.end(), text) - shown.seen.begin();
  };
  const auto missing = at(Text(kMsgRemoveOutdatedFile) + " data/never_there.dat");
  EXPECT_LT(at(Text(kMsgRemoveOutdatedFile) + " data/old_intro.dat"), missing);
  EXPECT_LT(missing, at(Text(kMsgCreatingRegistryEntries)));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProbeKey, "Owner").bytes, Sz("someone else"));
  // The registry stays as the earlier installation left it; no desktop link, ticked or not.
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "Language").status, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_TRUE(FilesIn(Folder("common-desktop")).empty());
  ExpectGroup(Folder("programs") + "\\Tidemoor", Dir(), "Readme.lnk", "docs\\readme.txt");
}

TEST_F(Installation,
       OneFileNoIconNoShortcutsIntoAnExistingDirectoryWithoutTheMachinesUninstallEntry) {
  archive::ArchiveDescription release = TestRelease();
  release.files = {TestFile("TDMClient.exe", "only file")};
  release.shortcuts.clear();
  std::filesystem::create_directories(root_ +
                                      "\\b");  // "a\..\b" made level by level would make "a"
  RefuseUninstallEntry(HKEY_LOCAL_MACHINE);
  Open(release);
  ASSERT_TRUE(Install(root_ + "\\a\\..\\b", "Tidemoor", false, false));
  EXPECT_FALSE(IsDirectory(root_ + "\\a"));
  EXPECT_TRUE(IsDirectory(root_ + "\\b\\data\\maps"));
  EXPECT_EQ(setup_->ProgressBar1.Position(), 0u);
  EXPECT_TRUE(FilesIn(Folder("desktop")).empty());
  EXPECT_EQ(FilesIn(Folder("programs") + "\\Tidemoor"), std::vector<std::string>{"Readme.lnk"});
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kUninstallKey, "DisplayName").bytes, Sz("Tidemoor"));
}

TEST_F(Installation, DesktopUnknownToTheRegistryIsAskedOfTheShell) {
  char desktop[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(
      SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop)));
  const std::string link = std::string(desktop) + "\\Tidemoor.lnk";
  DeleteFileA(link.c_str());
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  Open(TestRelease());
  ASSERT_TRUE(Install(Dir()));
  ExpectLink(link, "TDMClient.exe", Dir());
  DeleteFileA(link.c_str());
}

TEST_F(Installation, DesktopUnknownEvenToTheShellMakesNoLinkInTheDriveRoot) {
  constexpr char kUserShellFolders[] =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  const RegValue saved = ReadValue(HKEY_CURRENT_USER, kUserShellFolders, "Desktop");
  std::ofstream(root_ + "\\blocker") << "a file";  // the shell's own setting points below it
  SetString(HKEY_CURRENT_USER, kUserShellFolders, "Desktop", root_ + "\\blocker\\Desktop");
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  char probe[MAX_PATH] = {};
  const bool named = SUCCEEDED(
      SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, probe));
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Desktop");  // the shell may write it back
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(root_.c_str());  // the prefix's own C:, not the host's root behind Z:
  if (!named) {
    Open(TestRelease());
    EXPECT_FALSE(Install(Dir()));
    EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateLinkFailed));
    EXPECT_FALSE(FileExists("\\Tidemoor.lnk") || FileExists("C:\\Tidemoor.lnk"));
  }
  SetCurrentDirectoryA(previous);
  SetString(HKEY_CURRENT_USER, kUserShellFolders, "Desktop",
            saved.status == ERROR_SUCCESS ? saved.bytes.c_str() : "%USERPROFILE%\\Desktop");
  if (named) GTEST_SKIP() << "the shell still names a desktop, so no link can go astray: " << probe;
}

TEST_F(Installation, ShellProgramsFolderTooLongForItsFieldIsRefused) {
  // 257 characters: the shell can name it, the 256-byte field cannot hold it.
  constexpr char kUserShellFolders[] =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  const RegValue saved = ReadValue(HKEY_CURRENT_USER, kUserShellFolders, "Programs");
  const std::string programs = root_ + "\\" + std::string(256 - root_.size(), 'p');
  ASSERT_TRUE(CreateDirectoryA(programs.c_str(), nullptr));
  SetString(HKEY_CURRENT_USER, kUserShellFolders, "Programs", programs);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Programs");
  Open(TestRelease());
  EXPECT_FALSE(Install(Dir(), "Tidemoor", false, false));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateLinkFailed));
  SetString(HKEY_CURRENT_USER, kUserShellFolders, "Programs",
            saved.status == ERROR_SUCCESS ? saved.bytes.c_str()
                                          : "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs");
}

#ifdef TDM_LINK_EXPORT_DIR
// The links of one installation, left where a reader outside Wine checks them.
TEST_F(Installation, ExportLinksForTheOutsideReader) {
  std::string exported = std::string("Z:") + TDM_LINK_EXPORT_DIR;
  std::replace(exported.begin(), exported.end(), '/', '\\');
  std::filesystem::remove_all(exported);
  for (const auto& [value, folder] : {std::pair{"Desktop", "desktop"}, {"Programs", "programs"}}) {
    std::filesystem::create_directories(exported + "\\" + folder);
    SetString(HKEY_CURRENT_USER, kShellFolders, value, exported + "\\" + folder);
  }
  Open(TestRelease());
  ASSERT_TRUE(Install("C:\\Games\\Tidemoor"));
}
#endif

// Each ends on the failure page with one box, its text starting with the message and
// ending in `tail`; `rootEntries` counts what is left in the scratch root (the four
// shell folders and whatever was made), so nothing beyond the failure was made or cut.
struct Failure {
  const char* name;
  std::string directory;  // below the scratch root; "" stays empty
  const char* group;
  bool allUsers;
  std::uint32_t message;
  std::string tail;
  std::size_t rootEntries;
  bool registered;  // the settings were written before the failure
};

std::string LongName() {
  return std::string(200, 'n') + ".dat";
}
std::string Levels(int count) {
  std::string levels;
  for (int i = 0; i < count; ++i) levels += "\\a";
  return levels;
}

const Failure kFailures[] = {
    {"GroupOfOnlyABackslash", "\\Games\\Tidemoor", "\\", false, kMsgCopyException,
     "Range check error", 4, false},
    {"EmptyDirectory", "", "Tidemoor", false, kMsgCopyException, "Range check error", 4, false},
    {"NetworkPathWithoutItsFolder", "\\\\tdmserver\\share\\Tidemoor", "Tidemoor", false,
     kMsgCreateDirectoryFailed, "", 4, false},
    {"PlainFileWhereTheDirectoryMustBe", "\\Games\\Tidemoor", "Tidemoor", false,
     kMsgCreateDirectoryFailed, "", 5, false},
    {"PlainFileWhereAnArchiveDirectoryMustBe", "\\Games\\Tidemoor", "Tidemoor", false,
     kMsgCreateDirectoryFailed, "", 5, false},
    {"MoreThan256Components", Levels(260), "Tidemoor", false, kMsgCreateDirectoryFailed, "", 4,
     false},
    {"DirectoryTooLongForItsBuffer", "\\" + std::string(250, 'x'), "Tidemoor", false,
     kMsgCreateDirectoryFailed, "", 4, false},
    {"FilePathTooLongForItsBuffer", "\\" + std::string(60, 'd'), "Tidemoor", false,
     kMsgCopyException, "(" + LongName() + ")", 5, false},
    {"FileThatCannotBeCreated", "\\Games\\Tidemoor", "Tidemoor", false, kMsgCopyException,
     "(uninstall.exe)", 5, false},
    {"PlainFileOfTheGroupsName", "\\Games\\Tidemoor", "Tidemoor", false, kMsgCreateDirectoryFailed,
     "", 5, false},
    {"LinkPathTooLongForItsBuffer", "\\Games\\Tidemoor", nullptr, false, kMsgCreateLinkFailed, "",
     5, false},
    {"AllUsersWithoutTheMachinesUninstallEntry", "\\Games\\Tidemoor", "Tidemoor", true,
     kMsgRegistryWriteFailed, "", 5, true},
    {"UninstallCommandTooLongForItsBuffer", "-", "Tidemoor", false, kMsgRegistryWriteFailed, "", 5,
     true},
};

class FailedInstallation : public Installation, public ::testing::WithParamInterface<Failure> {};

TEST_P(FailedInstallation, EndsOnTheFailurePageWithOneBox) {
  const Failure& f = GetParam();
  archive::ArchiveDescription release = TestRelease();
  const std::string name = f.name;
  // Below the scratch root, unless empty or a network path.
  std::string directory =
      f.directory.empty() || f.directory.rfind("\\\\", 0) == 0 ? f.directory : root_ + f.directory;
  std::string group =
      f.group != nullptr ? f.group : std::string(240 - Folder("programs").size() - 1, 'g');
  if (name == "PlainFileWhereTheDirectoryMustBe") std::ofstream(root_ + "\\Games") << "a file";
  if (name == "PlainFileWhereAnArchiveDirectoryMustBe") {
    std::filesystem::create_directories(Dir());
    std::ofstream(Dir() + "\\data") << "a file";
  }
  if (name == "FilePathTooLongForItsBuffer")  // fits with "data\maps", not with the long name
    release.files = {TestFile("docs/readme.txt", "Read me"), TestFile(LongName(), "too far"),
                     TestFile("TDMClient.exe", "never")};
  if (name == "FileThatCannotBeCreated")
    std::filesystem::create_directories(Dir() + "\\uninstall.exe");
  if (name == "PlainFileOfTheGroupsName")
    std::ofstream(Folder("programs") + "\\Tidemoor") << "a file";
  if (name == "AllUsersWithoutTheMachinesUninstallEntry") RefuseUninstallEntry(HKEY_LOCAL_MACHINE);
  if (name ==
      "UninstallCommandTooLongForItsBuffer") {  // short names, so only the command overflows
    directory = root_ + "\\";
    directory += std::string(242 - directory.size(), 'u');
    release.directories.clear();
    release.files = {TestFile("c.exe", "client"), TestFile("r.txt", "readme")};
    release.readmes = {archive::WriterReadme{"r.txt", "r.lnk"},
                       archive::WriterReadme{"r.txt", "r.lnk"}};
    release.programFile = "c.exe";
    release.shortcuts = {{"c.exe", kMsgLinkGame}};
  }
  Open(release);
  EXPECT_FALSE(Install(directory, group, f.allUsers));
  const std::string text = OnlyBoxText();
  if (f.tail.empty() || f.tail[0] != '(') {
    EXPECT_EQ(text, Text(f.message) + f.tail);
  } else {  // the message, Windows' reason, then the file
    EXPECT_EQ(text.rfind(Text(f.message), 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), f.tail.size())), f.tail) << text;
    EXPECT_GT(text.size(), Text(f.message).size() + f.tail.size() + 1) << "no reason: " << text;
  }
  if (name == "FileThatCannotBeCreated") {  // the file before it is written, none after it
    EXPECT_TRUE(FileExists(Dir() + "\\TDMClient.exe"));
    EXPECT_FALSE(FileExists(Dir() + "\\TDMOptions.exe"));
  }
  EXPECT_EQ(FilesIn(root_).size(), f.rootEntries);
  EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, kProductKey) || KeyExists(HKEY_LOCAL_MACHINE, kProductKey),
            f.registered);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  if (f.message != kMsgCreateLinkFailed && name != "PlainFileOfTheGroupsName" && !f.registered) {
    EXPECT_TRUE(FilesIn(Folder("desktop")).empty());  // links come after the files
  }
}

INSTANTIATE_TEST_SUITE_P(Installation, FailedInstallation, ::testing::ValuesIn(kFailures),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace setup_test
