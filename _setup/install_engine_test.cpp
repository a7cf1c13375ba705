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
constexpr char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The texts set on the status line and, as "#n", the positions set on the bar.
struct Shown {
  explicit Shown(TFSetup& s) : status_(s.lbl_progress.hwnd()), bar_(s.ProgressBar1.hwnd()) {
    for (HWND window : {status_, bar_}) SetWindowSubclass(window, Hook, 1, DWORD_PTR(this));
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
    const std::pair<std::string, const char*> links[] = {{Text(kMsgLinkGame), "TDMClient.exe"},
                                                         {Text(kMsgLinkSetup), "TDMOptions.exe"},
                                                         {Text(kMsgLinkUninstall), "uninstall.exe"},
                                                         {readmeLink, readme}};
    std::vector<std::string> names;
    for (const auto& [name, target] : links) {
      names.push_back(name);
      ExpectLink(group + "\\" + name, target, dir);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(FilesIn(group), names);
  }
  void ExpectRegistered(HKEY settings, HKEY uninstall, const std::string& dir, DWORD language) {
    const std::tuple<HKEY, const char*, const char*, DWORD, std::string> expected[] = {
        {settings, kProductKey, "InstallDir", REG_SZ, Sz(dir)},
        {settings, kProductKey, "StartMenuGroup", REG_SZ, Sz("Tidemoor")},
        {settings, kProductKey, "Language", REG_DWORD, Dword(language)},
        {uninstall, kUninstallKey, "DisplayName", REG_SZ, Sz("Tidemoor")},
        {uninstall, kUninstallKey, "UninstallString", REG_SZ,
         Sz("\"" + dir + "\\uninstall.exe\"")}};
    for (const auto& [root, key, name, type, bytes] : expected) {
      const RegValue value = ReadValue(root, key, name);
      EXPECT_EQ(value.type, type) << name;
      EXPECT_EQ(value.bytes, bytes) << name;
    }
    for (HKEY other : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      EXPECT_EQ(KeyExists(other, kProductKey), other == settings);
      EXPECT_EQ(KeyExists(other, kUninstallKey), other == uninstall);
    }
  }
};

TEST_F(Installation, CurrentUserInEnglishOverAnOlderReadmeAndAGroupFolderOfItsOwn) {
  const archive::ArchiveDescription release = TestRelease();
  const std::string group = Folder("programs") + "\\Tidemoor";
  std::filesystem::create_directories(Dir() + "\\docs");
  std::filesystem::create_directories(group);
  std::ofstream(Dir() + "\\docs\\readme.txt") << "an older and much longer readme text";
  std::ofstream(group + "\\notes.txt") << "mine";
  SetString(HKEY_LOCAL_MACHINE, kProbeKey, "Owner", "someone else");
  Open(release);
  Shown shown(*setup_);
  ASSERT_TRUE(Install(Dir() + "\\", "\\Tidemoor\\"));  // the backslashes are trimmed away
  EXPECT_EQ(setup_->Edit1.Text(), Dir());
  // Each file's text, then the bar where it starts, never at the end.
  std::vector<std::string> expected = {Text(kMsgCreatingDirectories), Text(kMsgCopyFile)};
  const std::size_t n = release.files.size();
  for (std::size_t i = 0; i < n; ++i) {
    const archive::WriterFile& file = release.files[i];
    expected.push_back(Text(kMsgCopyFile) + " " + file.name);
    expected.push_back("#" + std::to_string(i * 100 / n));
    const std::string path = Dir() + "\\" + file.name;
    const std::optional<FileTimes> times = ReadTimes(path);  // before reading moves them
    ASSERT_TRUE(times.has_value()) << path;
    EXPECT_EQ(std::tuple(times->creation, times->lastAccess, times->lastWrite),
              std::tuple(kFileTime, kFileTime, kFileTime))
        << path;
    EXPECT_EQ(ReadContents(path), std::string(file.bytes.begin(), file.bytes.end()));
  }
  expected.push_back(Text(kMsgCreatingRegistryEntries));
  std::vector<std::string> seen;  // the bar's own resets left out
  for (std::size_t i = 0; i < shown.seen.size(); ++i)
    if (shown.seen[i][0] != '#' ||
        (i > 0 && shown.seen[i - 1].rfind(Text(kMsgCopyFile) + " ", 0) == 0))
      seen.push_back(shown.seen[i]);
  EXPECT_EQ(seen, expected);
  ExpectRegistered(HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, Dir(), 1);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProbeKey, "Owner").bytes, Sz("someone else"));
  EXPECT_EQ(FilesIn(Folder("desktop")), std::vector<std::string>{"Tidemoor.lnk"});
  ExpectLink(Folder("desktop") + "\\Tidemoor.lnk", "TDMClient.exe", Dir());
  EXPECT_EQ(ReadContents(group + "\\notes.txt"), "mine");
  std::filesystem::remove(group + "\\notes.txt");
  ExpectGroup(group, Dir(), "Readme.lnk", "docs\\readme.txt");
  EXPECT_TRUE(FilesIn(Folder("common-desktop")).empty() &&
              FilesIn(Folder("common-programs")).empty());
}

TEST_F(Installation, AllUsersInGermanIntoADirectoryWithBlanks) {
  CLang::SetLanguage(kLanguageGerman);
  const std::string dir = root_ + "\\Program Files\\Tidemoor";
  Open(TestRelease());
  ASSERT_TRUE(Install(dir, "Tidemoor", true, true));
  ExpectRegistered(HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE, dir, 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProbeKey));  // the probe cleans up after itself
  ExpectLink(Folder("common-desktop") + "\\Tidemoor.lnk", "TDMClient.exe", dir);
  ExpectGroup(Folder("common-programs") + "\\Tidemoor", dir, "Liesmich.lnk", "docs\\liesmich.txt");
  EXPECT_TRUE(FilesIn(Folder("desktop")).empty() && FilesIn(Folder("programs")).empty());
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
  ASSERT_TRUE(Install(Dir(), "Tidemoor", true, true));  // past the file that is not there
  EXPECT_FALSE(FileExists(Dir() + "\\data\\old_intro.dat"));
  EXPECT_TRUE(FileExists(Dir() + "\\data\\kept.dat"));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProbeKey, "Owner").bytes, Sz("someone else"));
  // The registry stays as the earlier installation left it; no desktop link, ticked or not.
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "Language").status, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) ||
               KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_TRUE(FilesIn(Folder("common-desktop")).empty());
  ExpectGroup(Folder("programs") + "\\Tidemoor", Dir(), "Readme.lnk", "docs\\readme.txt");
}

TEST_F(Installation,
       OneFileNoIconNoShortcutsIntoAnExistingDirectoryWithoutTheMachinesUninstallEntry) {
  archive::ArchiveDescription release = TestRelease();
  release.files = {TestFile("TDMClient.exe", "only file")};
  release.shortcuts.clear();
  std::filesystem::create_directories(root_ + "\\b");  // made level by level "a" would appear
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
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop)));
  const std::string link = std::string(desktop) + "\\Tidemoor.lnk";
  DeleteFileA(link.c_str());
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  Open(TestRelease());
  ASSERT_TRUE(Install(Dir()));
  ExpectLink(link, "TDMClient.exe", Dir());
  DeleteFileA(link.c_str());
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

// Each ends on the failure page with one box: the message and `tail`, or, where the
// tail names a file, the message, Windows' reason and the file. `rootEntries` counts
// the scratch root (the four shell folders and whatever was made), so nothing beyond
// the failure was made; `registered`: the settings were written before it.
struct Failure {
  const char* name;
  std::uint32_t message;
  std::size_t rootEntries = 5;
  std::string directory = "\\Games\\Tidemoor";  // below the scratch root; "" stays empty
  std::string tail = "";
  bool registered = false;
};

const std::string kLongName = std::string(200, 'n') + ".dat";

const Failure kFailures[] = {
    {"EmptyDirectory", kMsgCopyException, 4, "", "Range check error"},
    {"NetworkPathWithoutItsFolder", kMsgCreateDirectoryFailed, 4, "\\\\tdmserver\\share\\Tidemoor"},
    {"PlainFileWhereTheDirectoryMustBe", kMsgCreateDirectoryFailed},
    {"PlainFileWhereAnArchiveDirectoryMustBe", kMsgCreateDirectoryFailed},
    {"DirectoryTooLongForItsBuffer", kMsgCreateDirectoryFailed, 4, "\\" + std::string(250, 'x')},
    {"FilePathTooLongForItsBuffer", kMsgCopyException, 5, "\\" + std::string(60, 'd'),
     "(" + kLongName + ")"},
    {"FileThatCannotBeCreated", kMsgCopyException, 5, "\\Games\\Tidemoor", "(uninstall.exe)"},
    {"PlainFileOfTheGroupsName", kMsgCreateDirectoryFailed},
    {"LinkPathTooLongForItsBuffer", kMsgCreateLinkFailed},
    {"ShellProgramsFolderTooLongForItsField", kMsgCreateLinkFailed, 6},
    {"AllUsersWithoutTheMachinesUninstallEntry", kMsgRegistryWriteFailed, 5, "\\Games\\Tidemoor",
     "", true},
    {"UninstallCommandTooLongForItsBuffer", kMsgRegistryWriteFailed, 5, "-", "", true},
};

class FailedInstallation : public Installation, public ::testing::WithParamInterface<Failure> {};

TEST_P(FailedInstallation, EndsOnTheFailurePageWithOneBox) {
  const Failure& f = GetParam();
  const std::string name = f.name;
  archive::ArchiveDescription release = TestRelease();
  std::string directory =
      f.directory.empty() || f.directory.rfind("\\\\", 0) == 0 ? f.directory : root_ + f.directory;
  const std::string group = name == "LinkPathTooLongForItsBuffer"
                                ? std::string(240 - Folder("programs").size() - 1, 'g')
                                : "Tidemoor";
  if (name == "PlainFileWhereTheDirectoryMustBe") std::ofstream(root_ + "\\Games") << "a file";
  if (name == "PlainFileWhereAnArchiveDirectoryMustBe") {
    std::filesystem::create_directories(Dir());
    std::ofstream(Dir() + "\\data") << "a file";
  }
  if (name == "FilePathTooLongForItsBuffer")  // fits with "data\maps", not with the long name
    release.files = {TestFile("docs/readme.txt", "Read me"), TestFile(kLongName, "too far"),
                     TestFile("TDMClient.exe", "never")};
  if (name == "FileThatCannotBeCreated")
    std::filesystem::create_directories(Dir() + "\\uninstall.exe");
  if (name == "PlainFileOfTheGroupsName")
    std::ofstream(Folder("programs") + "\\Tidemoor") << "a file";
  const RegValue savedPrograms = ReadValue(HKEY_CURRENT_USER, kUserShellFolders, "Programs");
  if (name == "ShellProgramsFolderTooLongForItsField") {  // 257 characters: the shell names it
    const std::string programs = root_ + "\\" + std::string(256 - root_.size(), 'p');
    ASSERT_TRUE(CreateDirectoryA(programs.c_str(), nullptr));
    SetString(HKEY_CURRENT_USER, kUserShellFolders, "Programs", programs);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Programs");
  }
  if (name == "AllUsersWithoutTheMachinesUninstallEntry") RefuseUninstallEntry(HKEY_LOCAL_MACHINE);
  if (name == "UninstallCommandTooLongForItsBuffer") {  // short names: only the command overflows
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
  EXPECT_FALSE(Install(directory, group, name.starts_with("AllUsers")));
  if (name.starts_with("ShellPrograms"))
    SetString(HKEY_CURRENT_USER, kUserShellFolders, "Programs",
              savedPrograms.status == ERROR_SUCCESS
                  ? savedPrograms.bytes.c_str()
                  : "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs");
  const std::string text = OnlyBoxText();
  if (f.tail.empty() || f.tail[0] != '(') {
    EXPECT_EQ(text, Text(f.message) + f.tail);
  } else {
    EXPECT_EQ(text.rfind(Text(f.message), 0), 0u) << text;
    EXPECT_TRUE(text.ends_with(f.tail)) << text;
    EXPECT_GT(text.size(), Text(f.message).size() + f.tail.size() + 1) << "no reason: " << text;
  }
  if (name == "FileThatCannotBeCreated") {  // the file before it is written, none after it
    EXPECT_TRUE(FileExists(Dir() + "\\TDMClient.exe"));
    EXPECT_FALSE(FileExists(Dir() + "\\TDMOptions.exe"));
  }
  EXPECT_EQ(FilesIn(root_).size(), f.rootEntries);
  EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, kProductKey) || KeyExists(HKEY_LOCAL_MACHINE, kProductKey),
            f.registered);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) ||
               KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  const bool linksPossible =
      f.message == kMsgCreateLinkFailed || name == "PlainFileOfTheGroupsName" || f.registered;
  EXPECT_TRUE(linksPossible ||
              FilesIn(Folder("desktop"))
                  .empty());  // links come after the files  // links come after the files
}

INSTANTIATE_TEST_SUITE_P(Installation, FailedInstallation, ::testing::ValuesIn(kFailures),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace setup_test
