// The real wizard on an archive built in memory, boxes recorded: installations, failures,
// the keyboard, the splash bar; linked again with refusing registry calls (no rights).
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

#include "application.h"
#include "message_box_recorder.h"
#include "s_lang.h"
#include "s_registry_win.h"
#include "setup_switches.h"
#include "test_readers_win.h"
#include "test_release.h"
#include "u_setup.h"
#include "u_splash.h"

namespace setup_test {
namespace {

using namespace test_support;
constexpr char kProductKey[] = "Software\\Tidemoor";
constexpr char kUninstallParent[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
constexpr char kProbeKey[] = "Software\\Test";
constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr std::uint32_t kLimit = archive::SEGMENT_DATA_LIMIT;

std::string Text(std::uint32_t id) {
  return CLang::GetText(id);  // English or German throughout
}

void SetString(HKEY root, const char* key, const char* name, const std::string& value) {
  ASSERT_EQ(
      RegSetKeyValueA(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1)),
      ERROR_SUCCESS);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The wizard on the test archive in place of its resources.
class EngineSetup : public TFSetup {
 public:
  explicit EngineSetup(const SegmentSet& archive) : archive_(archive) {}
  using TFSetup::VerifyArchiveChecksum;
  void FormCreate() override {
    segments = ViewsOf(archive_);
    kind = BodyU32(*archive_[0], archive::SetupHeader::kKindOffset);
    box_language.SetItemIndex(static_cast<int>(CLang::GetLanguage()));
    UpdateWizardTexts();
    ShowPage(TabSheet1);
  }
  const SegmentSet& archive_;
};

// The texts set on the status line and, as "#n", the positions set on the bar just
// after a file's text (its own resets left out). A file's text is stored without
// WM_SETTEXT (painted later), so it is read when the bar moves after it.
struct Shown {
  explicit Shown(TFSetup& s) : windows{s.lbl_progress.hwnd(), s.ProgressBar1.hwnd()} {
    for (HWND window : windows) SetWindowSubclass(window, Hook, 1, DWORD_PTR(this));
  }
  ~Shown() {
    for (HWND window : windows) RemoveWindowSubclass(window, Hook, 1);
  }
  static LRESULT CALLBACK Hook(HWND hwnd, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                               DWORD_PTR data) {
    auto* shown = reinterpret_cast<Shown*>(data);
    std::vector<std::string>& seen = shown->seen;
    const auto note = [&](const std::string& text) {
      if (seen.empty() || seen.back() != text) seen.push_back(text);
    };
    if (message == WM_SETTEXT) note(reinterpret_cast<const char*>(l));
    if (message == PBM_SETPOS) {
      char text[300] = {};
      GetWindowTextA(shown->windows[0], text, sizeof text);
      if (std::string(text).starts_with(Text(kMsgCopyFile) + " ")) {
        note(text);
        seen.push_back("#" + std::to_string(w));
      }
    }
    return DefSubclassProc(hwnd, message, w, l);
  }
  HWND windows[2];
  std::vector<std::string> seen;
};

// Clean product keys, and the shell folders under a scratch root.
class Installation : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::string("C:\\tdm-engine\\") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    for (const char* value : {"Desktop", "Programs", "Common Desktop", "Common Programs"}) {
      std::filesystem::create_directories(Folder(value));
      SetString(value[0] == 'C' ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kShellFolders, value,
                Folder(value));
    }
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      for (const char* key : {kProductKey, kUninstallKey, kProbeKey}) RegDeleteTreeA(root, key);
    gui::testing::ClearRecordedMessageBoxes();
    CLang::SetLanguage(kLanguageEnglish);
  }
  void TearDown() override {
    if (volatileRoot_ != nullptr) {  // a lasting parent again for the tests after this one
      RegDeleteTreeA(volatileRoot_, kUninstallParent);
      SetString(volatileRoot_, kUninstallParent, "", "");
    }
    gui::Application::Instance().DestroyForms();
    setup_.reset();
    CReg::FreeInstance();
  }
  TFSetup& Open(const archive::ArchiveDescription& release) {
    archive_ = AllPresent(WriteSegments(release));
    setup_ = std::make_unique<EngineSetup>(archive_);
    setup_->Create();
    setup_->ShowForm();  // so that "visible" means on screen, as for the user
    return *setup_;
  }
  // Walked forward as the user does; true when it ends on the success page.
  bool Install(const std::string& directory, const std::string& group = "Tidemoor",
               bool allUsers = false, bool desktopIcon = true) {
    setup_->Button1Click();  // to the terms
    setup_->Button1Click();  // to the settings
    setup_->Edit1.SetText(directory);
    setup_->Edit2.SetText(group);
    setup_->radio_current_user.SetChecked(!allUsers);
    setup_->radio_all_users.SetChecked(allUsers);
    setup_->CheckBox3.SetChecked(desktopIcon);
    setup_->Button1Click();
    const bool succeeded = setup_->wizardStep == 3 && setup_->TabSheet4.Visible();
    // Both end pages offer only the finish button; success shows no box.
    EXPECT_EQ(std::tuple(setup_->wizardStep, setup_->TabSheet5.Visible(),
                         setup_->TabSheet3.Visible() || setup_->Button2.Visible(),
                         setup_->Button1.Text(), setup_->Button1.Enabled()),
              std::tuple(succeeded ? 3 : 4, !succeeded, false, Text(kMsgFinished), true));
    EXPECT_TRUE(!succeeded || gui::testing::RecordedMessageBoxes().empty());
    return succeeded;
  }
  // The one error box, owned by no window, OK alone.
  std::string OnlyBoxText() const {
    const auto& boxes = gui::testing::RecordedMessageBoxes();
    EXPECT_EQ(boxes.size(), 1u);
    if (boxes.empty()) return {};
    EXPECT_EQ(std::tuple(boxes[0].caption, boxes[0].owner, boxes[0].type),
              std::tuple(Text(kMsgError), HWND{}, UINT{MB_OK}));
    return boxes[0].text;
  }
  // A volatile parent of the uninstall entries refuses every lasting key below it.
  void RefuseUninstallEntry(HKEY root) {
    volatileRoot_ = root;
    RegDeleteTreeA(root, kUninstallParent);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, kUninstallParent, 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  std::string Dir() const { return root_ + "\\Games\\Tidemoor"; }
  std::string Folder(const char* name) const { return root_ + "\\" + name; }
  // Exactly these links (name -> target file) in `folder`.
  static void ExpectLinks(const std::string& folder, const std::string& dir,
                          const std::map<std::string, std::string>& links) {
    std::vector<std::string> names;
    for (const auto& [name, target] : links) {
      names.push_back(name);
      const std::optional<LinkInfo> link = ReadLink(folder + "\\" + name);
      ASSERT_TRUE(link.has_value()) << name;
      EXPECT_EQ(
          std::tuple(link->target, link->workingDirectory, link->arguments, link->showCommand),
          std::tuple(dir + "\\" + target, dir, std::string(), SW_SHOWNORMAL))
          << name;
    }
    EXPECT_EQ(FilesIn(folder), names);
  }
  static std::map<std::string, std::string> Group(const char* readmeLink, const char* readme) {
    return {{Text(kMsgLinkGame), "TDMClient.exe"},
            {Text(kMsgLinkSetup), "TDMOptions.exe"},
            {Text(kMsgLinkUninstall), "uninstall.exe"},
            {readmeLink, readme}};
  }
  static void ExpectRegistered(HKEY settings, HKEY uninstall, const std::string& dir,
                               DWORD language) {
    const std::tuple<HKEY, const char*, const char*, DWORD, std::string> expected[] = {
        {settings, kProductKey, "InstallDir", REG_SZ, Sz(dir)},
        {settings, kProductKey, "StartMenuGroup", REG_SZ, Sz("Tidemoor")},
        {settings, kProductKey, "Language", REG_DWORD, Dword(language)},
        {uninstall, kUninstallKey, "DisplayName", REG_SZ, Sz("Tidemoor")},
        {uninstall, kUninstallKey, "UninstallString", REG_SZ,
         Sz("\"" + dir + "\\uninstall.exe\"")}};
    for (const auto& [root, key, name, type, bytes] : expected) {
      const RegValue value = ReadValue(root, key, name);
      EXPECT_EQ(std::pair(value.type, value.bytes), std::pair(type, bytes)) << name;
    }
    for (HKEY other : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      EXPECT_EQ(std::pair(KeyExists(other, kProductKey), KeyExists(other, kUninstallKey)),
                std::pair(other == settings, other == uninstall));
  }

  std::string root_;
  std::unique_ptr<TFSetup> setup_;
  SegmentSet archive_;
  HKEY volatileRoot_ = nullptr;
};

// Three segments, the first two carrying more than 80,000,000 bytes of file data: every
// file comes out whole (where the segments change the archive's own tests pin).
// Over an older readme, into a group folder of the user's; its links stay where
// shell_link_files_test.cmake reads them outside Wine.
TEST_F(Installation, CurrentUserInEnglishAcrossThreeSegments) {
  static std::vector<std::uint8_t> pattern(kLimit + 2);  // stretches of it, no two alike
  for (std::size_t i = 0; i < pattern.size(); ++i)
    pattern[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  auto stretch = [](const char* name, std::size_t offset, std::uint32_t size) {
    return archive::WriterFile{name, kFileTime, size, {pattern.data() + offset, size}, {}};
  };
  archive::ArchiveDescription release = TestRelease();
  // Segment 1 ends exactly on the limit after second.bin and one byte above it with
  // third.bin; fourth.bin alone fills segment 2 beyond the limit; segment 3 has the rest.
  const std::vector<archive::WriterFile> small = release.files;
  release.files = {stretch("first.bin", 0, kLimit / 2), stretch("second.bin", 1, kLimit / 2),
                   stretch("third.bin", 2, 1), stretch("fourth.bin", 2, kLimit + 1)};
  release.files.insert(release.files.end(), small.begin(), small.end());
  std::string exported = std::string("Z:") + TDM_LINK_EXPORT_DIR;
  std::replace(exported.begin(), exported.end(), '/', '\\');
  std::filesystem::remove_all(exported);
  for (const auto& [value, folder] :
       {std::pair{"Desktop", "\\desktop"}, {"Programs", "\\programs"}}) {
    std::filesystem::create_directories(exported + folder);
    SetString(HKEY_CURRENT_USER, kShellFolders, value, exported + folder);
  }
  const std::string group = exported + "\\programs\\Tidemoor";
  std::filesystem::create_directories(Dir() + "\\docs");
  std::filesystem::create_directories(group);
  std::ofstream(Dir() + "\\docs\\readme.txt") << "an older and much longer readme text";
  std::ofstream(group + "\\notes.txt") << "mine";
  Open(release);
  ASSERT_TRUE(setup_->segments[2].present());
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
    EXPECT_TRUE(ReadContents(path) == std::string(file.bytes.begin(), file.bytes.end())) << path;
  }
  expected.push_back(Text(kMsgCreatingRegistryEntries));
  EXPECT_EQ(shown.seen, expected);
  ExpectRegistered(HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, Dir(), 1);
  ExpectLinks(exported + "\\desktop", Dir(), {{"Tidemoor.lnk", "TDMClient.exe"}});
  EXPECT_EQ(ReadContents(group + "\\notes.txt"), "mine");
  std::filesystem::remove(group + "\\notes.txt");
  ExpectLinks(group, Dir(), Group("Readme.lnk", "docs\\readme.txt"));
  for (const char* folder : {"Desktop", "Programs", "Common Desktop", "Common Programs"})
    EXPECT_TRUE(FilesIn(Folder(folder)).empty()) << folder;
}

TEST_F(Installation, AllUsersInGermanIntoADirectoryWithBlanks) {
  CLang::SetLanguage(kLanguageGerman);
  const std::string dir = root_ + "\\Program Files\\Tidemoor";
  char desktop[MAX_PATH] = {};  // unknown to the registry, asked of the shell
  ASSERT_TRUE(
      SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_DESKTOPDIRECTORY, nullptr, 0, desktop)));
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop");
  Open(TestRelease());
  ASSERT_TRUE(Install(dir, "Tidemoor", true, true));
  ExpectRegistered(HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE, dir, 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProbeKey));  // the probe cleans up after itself
  ExpectLinks(desktop, dir, {{"Tidemoor.lnk", "TDMClient.exe"}});
  ExpectLinks(Folder("Common Programs") + "\\Tidemoor", dir,
              Group("Liesmich.lnk", "docs\\liesmich.txt"));
  for (const char* folder : {"Desktop", "Programs", "Common Desktop"})
    EXPECT_TRUE(FilesIn(Folder(folder)).empty()) << folder;
}

// The command line's presets land in the settings page's fields.
TEST_F(Installation, SwitchesPresetTheWizard) {
  TFSetup& setup = Open(TestRelease());
  setup.ApplySwitches(
      setup::ParseSetupSwitches("/DIR=\"" + Dir() + "\" /LANG=de /ALLUSERS /NODESKTOPICON"));
  EXPECT_EQ(std::tuple(setup.Edit1.Text(), setup.box_language.ItemIndex(), CLang::GetLanguage(),
                       setup.radio_all_users.Checked(), setup.radio_current_user.Checked(),
                       setup.CheckBox3.Checked(), setup.Label3.Text()),
            std::tuple(Dir(), 0, kLanguageGerman, true, false, false,
                       std::string(CLang::GetText(kMsgChooseLanguage))));
}

// Another program holds the folder's lock at Start! (its file, open without sharing):
// the wizard waits on the progress page with text 42, then installs once it is free,
// and the lock's file is gone with the installation done.
TEST_F(Installation, StartWaitsForTheProductLock) {
  Open(TestRelease());
  Shown shown(*setup_);
  std::filesystem::create_directories(Dir());
  const std::string lock = Dir() + "\\product.lock";
  const HANDLE held = CreateFileA(lock.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread holder([held] {
    Sleep(600);
    CloseHandle(held);
  });
  EXPECT_TRUE(Install(Dir()));
  holder.join();
  EXPECT_EQ(shown.seen.empty() ? "" : shown.seen.front(), Text(kMsgPleaseWait));
  EXPECT_EQ(GetFileAttributesA(lock.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Installation, UpdateForAllUsersWithoutCommonProgramsRemovesObsoleteFilesOnly) {
  archive::ArchiveDescription update = TestRelease(archive::SetupKind::Update);
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
  // The registry stays as the earlier installation left it (the version it would correct
  // has no entry to go to, and none is made); no desktop link, ticked or not.
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "Language").status, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) ||
               KeyExists(HKEY_CURRENT_USER, kUninstallKey) ||
               KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_TRUE(FilesIn(Folder("Common Desktop")).empty());
  ExpectLinks(Folder("Programs") + "\\Tidemoor", Dir(), Group("Readme.lnk", "docs\\readme.txt"));
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
  EXPECT_TRUE(FilesIn(Folder("Desktop")).empty());
  EXPECT_EQ(FilesIn(Folder("Programs") + "\\Tidemoor"), std::vector<std::string>{"Readme.lnk"});
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kUninstallKey, "DisplayName").bytes, Sz("Tidemoor"));
}

// Each ends on the failure page with one box: the message and `tail` (a tail naming a
// file with Windows' reason between). `rootEntries` counts the scratch root: the four
// shell folders and whatever was made; `registered`: settings written before it.
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
      f.directory.empty() || f.directory.starts_with("\\\\") ? f.directory : root_ + f.directory;
  std::string group = "Tidemoor";
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
  if (name == "PlainFileOfTheGroupsName") std::ofstream(Folder("Programs") + "\\" + group) << "";
  if (name == "LinkPathTooLongForItsBuffer") group.assign(239 - Folder("Programs").size(), 'g');
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
  if (name.starts_with("ShellPrograms"))  // the shell's own again for the tests after this
    SetString(HKEY_CURRENT_USER, kUserShellFolders, "Programs", savedPrograms.bytes.c_str());
  const std::string text = OnlyBoxText();
  const std::string message = Text(f.message);
  EXPECT_TRUE(f.tail.starts_with("(")  // then Windows' reason comes between
                  ? text.starts_with(message) && text.ends_with(f.tail) &&
                        text.size() > message.size() + f.tail.size() + 1
                  : text == message + f.tail)
      << text;
  // The file before the one that cannot be created is written, none after it.
  EXPECT_TRUE(name != "FileThatCannotBeCreated" ||
              (FileExists(Dir() + "\\TDMClient.exe") && !FileExists(Dir() + "\\TDMOptions.exe")));
  EXPECT_EQ(FilesIn(root_).size(), f.rootEntries);
  EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, kProductKey) || KeyExists(HKEY_LOCAL_MACHINE, kProductKey),
            f.registered);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) ||
               KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  const bool linksPossible =
      f.message == kMsgCreateLinkFailed || name == "PlainFileOfTheGroupsName" || f.registered;
  EXPECT_TRUE(linksPossible || FilesIn(Folder("Desktop")).empty());  // links come after the files
}

INSTANTIATE_TEST_SUITE_P(Installation, FailedInstallation, ::testing::ValuesIn(kFailures),
                         [](const auto& row) { return std::string(row.param.name); });

using InstallWithoutMachineRights = Installation;  // with the refusing registry calls

TEST_F(InstallWithoutMachineRights,
       AllUsersStopsAtTheProbeForAFullAndAnUpdateCurrentUserNeedsNone) {
  for (archive::SetupKind kind : {archive::SetupKind::Full, archive::SetupKind::Update}) {
    std::filesystem::create_directories(Dir());
    std::ofstream(Dir() + "\\installed.txt") << "installed";
    Open(TestRelease(kind));
    EXPECT_FALSE(Install(Dir(), "Tidemoor", true, true));
    EXPECT_EQ(OnlyBoxText(), Text(kMsgNeedAllUsersRights));
    EXPECT_EQ(FilesIn(Dir()), std::vector<std::string>{"installed.txt"});  // so no links either
    TearDown();
    SetUp();
  }
  Open(TestRelease());
  EXPECT_TRUE(Install(Dir()));
  ExpectRegistered(HKEY_CURRENT_USER, HKEY_CURRENT_USER, Dir(), 1);
}

TEST_F(InstallWithoutMachineRights, OutOfMemoryEndsOnTheFailurePageAndTheWizardStillCloses) {
  Open(TestRelease());
  EXPECT_FALSE(Install(Dir(), "Tidemoor", true, true));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCopyException) + "std::bad_alloc");
  setup_->Close();
  EXPECT_FALSE(setup_->Visible());
}

// Where the focus is when it opens, what the tab key walks through, and where the focus
// goes when a page switch disables the button holding it.
TEST_F(Installation, KeyboardOpensOnForwardTabWalksOnlyWhatIsShownAndFocusLeavesDisabledButtons) {
  TFSetup& setup = Open(TestRelease());
  setup.Button3.SetEnabled(false);    // back, as the wizard opens
  ShowWindow(setup.hwnd(), SW_HIDE);  // opened again, as the user first sees it
  SetFocus(setup.hwnd());             // where Windows leaves it on activation
  setup.ShowForm();
  std::vector<HWND> walked;
  for (HWND at = GetFocus(); walked.size() < 4; at = GetNextDlgTabItem(setup.hwnd(), at, FALSE))
    walked.push_back(at);
  EXPECT_EQ(walked, (std::vector<HWND>{setup.Button1.hwnd(), setup.Button2.hwnd(),
                                       setup.box_language.hwnd(), setup.Button1.hwnd()}));
  setup.Button1.SetFocus();
  setup.Button1Click();  // the terms are not accepted yet: forward is disabled
  EXPECT_EQ(GetFocus(), setup.memo_disclaimer.hwnd());
  setup.Button3.SetFocus();
  setup.Button3Click();  // back on the first page, where back is disabled
  EXPECT_EQ(GetFocus(), setup.Button1.hwnd());
}

using Values = std::vector<std::uint32_t>;

struct BarRecord {
  Values seen;  // the maximum first, then the positions
  DWORD delayMs = 0;
};

LRESULT CALLBACK RecordBar(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                           DWORD_PTR data) {
  auto* record = reinterpret_cast<BarRecord*>(data);
  if (message == PBM_SETPOS || message == PBM_SETRANGE32) {
    record->seen.push_back(static_cast<std::uint32_t>(message == PBM_SETPOS ? w : l));
    if (message == PBM_SETPOS) Sleep(record->delayMs);
  }
  return DefSubclassProc(window, message, w, l);
}

// The preparation window's bar while the checksum runs over all-zero bodies (they sum
// to 0, as do the stored sums of a wizard without resources): the reset to 0, then each
// segment's tenths (see ByteSumWithProgress) from where the segments before it end,
// never the end itself; an empty segment adds none; a range beyond sixteen bits. The
// bar follows at most once a frame: a bar slower than a frame gets every point, a
// fast one only some of them, in order, and never another value.
Values SplashPositions(DWORD delayMs) {
  gui::Application::Instance().Initialize();
  static TFSplash splash;
  FSplash = &splash;
  if (splash.hwnd() == nullptr) splash.Create();
  static const SegmentSet none;
  EngineSetup wizard(none);
  static const std::vector<std::uint8_t> first(90), empty(1), third(16651315);
  wizard.segments[0] = {first.data(), 90};
  wizard.segments[1] = {empty.data(), 0};
  wizard.segments[2] = {third.data(), 16651315};
  BarRecord record{{}, delayMs};
  SetWindowSubclass(splash.bar_progress.hwnd(), RecordBar, 1, reinterpret_cast<DWORD_PTR>(&record));
  EXPECT_TRUE(wizard.VerifyArchiveChecksum());
  RemoveWindowSubclass(splash.bar_progress.hwnd(), RecordBar, 1);
  FSplash = nullptr;
  EXPECT_TRUE(gui::testing::RecordedMessageBoxes().empty());
  return record.seen;
}

TEST(SplashProgress, FollowsTheChecksumAcrossSegmentsAtMostOnceAFrame) {
  const Values points{16651405, 0,       0,       9,        18,       27,       36,      45,
                      54,       63,      72,      81,       90,       1665221,  3330352, 4995483,
                      6660614,  8325745, 9990876, 11656007, 13321138, 14986269, 16651400};
  EXPECT_EQ(SplashPositions(40), points);

  const Values paced = SplashPositions(0);
  ASSERT_GE(paced.size(), 2u);
  EXPECT_EQ(paced[0], 16651405u);
  EXPECT_EQ(paced[1], 0u);
  auto next = points.begin() + 2;  // each later position is a later point of the list
  for (std::size_t i = 2; i < paced.size(); ++i) {
    next = std::find(next, points.end(), paced[i]);
    ASSERT_NE(next, points.end()) << "position " << paced[i] << " out of order or no point";
    ++next;
  }
}

}  // namespace
}  // namespace setup_test
