// The journeys a user lives through with Setup.exe; ctest runs each story on its own.
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "archive_checksum.h"
#include "corrupted_text.h"
#include "journey.h"

namespace e2e {
namespace {

// The demo release and its update: what the user sees and gets (in detail: install_engine_test).

// Waits until every running editor stand-in has ended.
void WaitForEditors() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (_stricmp(entry.szExeFile, "notepad.exe") != 0) continue;
    if (const HANDLE editor = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      WaitForSingleObject(editor, 15000);
      CloseHandle(editor);
    }
  }
  CloseHandle(snapshot);
}

// Finishes on the success page; with the box ticked the editor gets the readme.
void Finish(SetupRun& run, const Window& wizard, bool readme, const std::string& directory) {
  ASSERT_TRUE(wizard.Child("TabSheet4").IsVisible());
  wizard.Child("CheckBox4").SetChecked(readme);
  wizard.Child("Button1").Click();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
  // Setup.exe started the editor, if at all, before it ended.
  const std::string args = run.Folder().PathOf("notepad-args.txt");
  if (readme) driver::WaitUntil([&] { return driver::FileExists(args); }, "the editor's work");
  WaitForEditors();
  EXPECT_EQ(ReadContents(args),
            readme ? std::optional<std::string>(
                         directory + (UserLanguage() == 0 ? "\\liesmich.txt\n" : "\\readme.txt\n"))
                   : std::nullopt);
}

TEST(Install, ForTheCurrentUserThenTheUpdateOverIt) {
  const CleanRegistry clean;
  const std::string directory = "C:\\Games\\Tidemoor CU";
  SetupRun full(TDM_DEMO_FULL_SETUP);
  Window wizard = full.Start();
  // One task-bar entry (unowned and no tool window, or an app window), owning the wizard.
  std::vector<Window> entries;
  for (const Window& window : full.App().TopLevelWindows()) {
    const LONG_PTR extended = GetWindowLongPtrA(window.Handle(), GWL_EXSTYLE);
    if ((extended & WS_EX_APPWINDOW) != 0 ||
        (!window.Owner().Exists() && (extended & WS_EX_TOOLWINDOW) == 0))
      entries.push_back(window);
  }
  ASSERT_EQ(entries.size(), 1u);
  RECT frame{};  // it carries the button and is never seen itself
  GetWindowRect(entries[0].Handle(), &frame);
  EXPECT_EQ(std::tuple(entries[0].Text(), frame.right - frame.left), std::tuple("Setup", 0L));
  EXPECT_EQ(wizard.Owner().Handle(), entries[0].Handle());
  EXPECT_EQ(wizard.Child("box_language").Text(), UserLanguage() == 0 ? "Deutsch" : "English");
  EXPECT_EQ(wizard.Child("Label3").Text(), Text(kMsgChooseLanguage));
  full.WalkToSettings(wizard);
  const auto programFiles = ReadValue(
      HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  EXPECT_EQ(wizard.Child("Edit1").Text(), programFiles.bytes.c_str() + std::string("\\Tidemoor"));
  wizard.Child("Edit1").Type(directory);
  EXPECT_TRUE(wizard.Child("radio_current_user").IsChecked());
  EXPECT_TRUE(wizard.Child("CheckBox3").IsChecked());
  ASSERT_EQ(full.Install(wizard), "");
  ExpectPayload(directory, TDM_DEMO_FULL_PAYLOAD);
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir").bytes, Sz(directory));
  const std::string desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Tidemoor.lnk";
  ExpectLink(desktop, "updater.exe", directory);
  ExpectGroup(ShellFolder(CSIDL_PROGRAMS) + "\\Tidemoor", directory);
  Finish(full, wizard, true, directory);

  // The update adopts the directory, deletes the obsolete file, makes no desktop icon.
  ASSERT_TRUE(driver::FileExists(directory + "\\data\\old_intro.dat"));
  DeleteFileA(desktop.c_str());
  SetupRun update(TDM_DEMO_UPDATE_SETUP);
  wizard = update.Start();
  update.WalkToSettings(wizard);
  EXPECT_EQ(wizard.Child("Edit1").Text(), directory);
  // Another directory, be it only by a trailing backslash, is refused on the spot.
  wizard.Child("Edit1").Type(directory + "\\");
  wizard.Child("Button1").Click();
  const driver::MessageBoxWindow refusal = update.App().WaitForMessageBox();
  EXPECT_EQ(refusal.Caption(), Text(kMsgError));
  EXPECT_EQ(refusal.Text(), Text(kMsgAlreadyInstalled));
  refusal.Press();
  EXPECT_TRUE(wizard.Child("TabSheet2").IsVisible());
  wizard.Child("Edit1").Type(directory);
  ASSERT_EQ(update.Install(wizard), "");
  ExpectPayload(directory, TDM_DEMO_UPDATE_PAYLOAD);
  EXPECT_FALSE(driver::FileExists(directory + "\\data\\old_intro.dat"));
  EXPECT_FALSE(driver::FileExists(desktop));
  Finish(update, wizard, false, directory);
}

TEST(Install, ForAllUsersWithoutDesktopIcon) {
  const CleanRegistry clean;
  const std::string directory = "C:\\Games\\Tidemoor AU";
  SetupRun full(TDM_DEMO_FULL_SETUP);
  const Window wizard = full.Start();
  full.WalkToSettings(wizard);
  EXPECT_EQ(wizard.Child("Label4").Text(), Text(kMsgInstallDirectory));
  wizard.Child("Edit1").Type(directory);
  wizard.Child("radio_all_users").SetChecked(true);
  wizard.Child("CheckBox3").SetChecked(false);
  ASSERT_EQ(full.Install(wizard), "");
  ExpectPayload(directory, TDM_DEMO_FULL_PAYLOAD);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir").bytes, Sz(directory));
  EXPECT_FALSE(driver::FileExists(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Tidemoor.lnk"));
  ExpectGroup(ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Tidemoor", directory);
  Finish(full, wizard, false, directory);
}

// The wizard: keys and buttons, the language, the directory dialog, a close refused.

TEST(Wizard, KeysAndButtonsBackAndForthThenTheOtherLanguage) {
  SetupRun run(TDM_DEMO_FULL_SETUP);
  const Window wizard = run.Start();
  const Window forward = wizard.Child("Button1");
  // The forward button has the focus, and Enter presses it. The wizard shows before
  // Windows activates it, so the focus may land a moment after it appears.
  driver::WaitUntil([&] { return run.App().Focus().Handle() == forward.Handle(); },
                    "the forward button to have the focus");
  forward.PressKey(VK_RETURN);
  // The page shows before the handler disables forward: wait for the whole switch.
  driver::WaitUntil([&] { return wizard.Child("TabSheet6").IsVisible() && !forward.IsEnabled(); },
                    "Enter to go forward");
  wizard.Child("chk_disclaimer").SetChecked(true);
  EXPECT_TRUE(forward.IsEnabled());
  wizard.Child("Button3").Click();
  ASSERT_TRUE(wizard.Child("TabSheet1").IsVisible());
  EXPECT_FALSE(wizard.Child("Button3").IsEnabled());
  forward.Click();
  EXPECT_TRUE(forward.IsEnabled()) << "the accepted terms were forgotten";
  forward.Click();
  ASSERT_TRUE(wizard.Child("TabSheet2").IsVisible());
  EXPECT_EQ(forward.Text(), Text(kMsgStart));
  // Where Tab goes: install_engine_test.
  wizard.Child("Button3").Click();
  wizard.Child("Button3").Click();
  // The other language rebinds every caption at once.
  const std::uint32_t other = 1 - UserLanguage();
  wizard.Child("box_language").SelectComboItem(static_cast<int>(other));
  EXPECT_EQ(wizard.Child("Label3").Text(), Text(kMsgChooseLanguage, other));
  EXPECT_EQ(forward.Text(), Text(kMsgNext, other));
  EXPECT_EQ(wizard.Child("Button2").Text(), Text(kMsgCancel, other));
  wizard.Child("Button2").Click();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
  const std::vector<std::string> log = run.LogTexts();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(std::vector(log.end() - 2, log.end()),
            (std::vector<std::string>{"Cancel was clicked", "closing setup"}));
}

// Drive D: is a folder on another file system than C: (TDM_WINE_DRIVES), so the two
// free-space figures differ and a figure of the wrong drive shows.
TEST(Wizard, DirectoryDialogTakesTheDirectoryAndSpaceOfAnotherDrive) {
  SetupRun run(TDM_DEMO_FULL_SETUP);
  const Window wizard = run.Start();
  run.WalkToSettings(wizard);
  const std::string before = wizard.Child("Edit1").Text();
  ASSERT_TRUE(ShowsFreeSpaceOf(wizard.Child("lbl_availmem").Text(), before));
  ASSERT_FALSE(ShowsFreeSpaceOf(wizard.Child("lbl_availmem").Text(), "D:\\"))
      << "D: is on C:'s file system";
  driver::SendAsUser(wizard.Child("Button4"), BM_CLICK, 0, 0, driver::Milliseconds{0});
  Window dialog = run.App().WaitForForm("FSelectDirectory");
  EXPECT_EQ(dialog.Text(), Text(kMsgChooseDirectory));
  // Esc, once the dialog has the focus, cancels and leaves the directory as it was.
  driver::WaitUntil([&] { return IsChild(dialog.Handle(), run.App().Focus().Handle()) != FALSE; },
                    "the dialog to take the focus");
  run.App().Focus().PressKey(VK_ESCAPE);
  run.App().WaitForFormGone("FSelectDirectory");
  EXPECT_EQ(wizard.Child("Edit1").Text(), before);

  driver::SendAsUser(wizard.Child("Button4"), BM_CLICK, 0, 0, driver::Milliseconds{0});
  dialog = run.App().WaitForForm("FSelectDirectory");
  // The drives in turn until D: (throws when there is none).
  for (int drive = 0; dialog.Child("Edit1").Text().substr(0, 2) != "D:"; ++drive)
    dialog.Child("DriveComboBox1").SelectComboItem(drive);
  EXPECT_TRUE(ShowsFreeSpaceOf(dialog.Child("lbl_availmem").Text(), "D:\\"));
  const std::string chosen = dialog.Child("Edit1").Text();
  dialog.Child("Button1").Click();
  run.App().WaitForFormGone("FSelectDirectory");
  EXPECT_EQ(wizard.Child("Edit1").Text(), chosen);
  EXPECT_TRUE(ShowsFreeSpaceOf(wizard.Child("lbl_availmem").Text(), "D:\\"));
  EXPECT_EQ(wizard.Child("Button1").Text(), Text(kMsgStart));
  wizard.Close();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
}

// Enough files that the copying runs for a while: 300 of 256 KiB.
archive::ArchiveDescription LargeArchive() {
  static const std::vector<std::uint8_t> contents(256 * 1024, 0x5A);
  archive::ArchiveDescription archive = TestRelease();
  for (int i = 1000; i < 1300; ++i)
    archive.files.push_back(
        {"data/bulk" + std::to_string(i) + ".dat", 1ull << 56, contents.size(), contents, {}});
  return archive;
}

TEST(Wizard, CloseIsRefusedWhileCopyingThenTheSuccessPageEnds) {
  const CleanRegistry clean;
  SetupRun run(AllPresent(WriteSegments(LargeArchive())));
  const Window wizard = run.Start();
  run.WalkToSettings(wizard);
  wizard.Child("Edit1").Type(run.Folder().PathOf("Tidemoor"));
  wizard.Child("CheckBox3").SetChecked(false);
  driver::SendAsUser(wizard.Child("Button1"), BM_CLICK, 0, 0, driver::Milliseconds{0});
  // The page and the buttons change in one handler; from outside, wait for all of it.
  driver::WaitUntil(
      [&] { return wizard.Child("TabSheet3").IsVisible() && !wizard.Child("Button2").IsVisible(); },
      "the progress page without Cancel");
  EXPECT_FALSE(wizard.Child("Button1").IsEnabled());
  wizard.Close();
  ASSERT_TRUE(wizard.Child("TabSheet3").IsVisible()) << "the copying ended before the close";
  driver::WaitUntil([&] { return wizard.Child("TabSheet4").IsVisible(); },
                    "the installation to finish", driver::Milliseconds{120000});
  EXPECT_TRUE(driver::FileExists(run.Folder().PathOf("Tidemoor\\data\\bulk1299.dat")));
  wizard.Child("CheckBox4").SetChecked(false);
  wizard.Child("Button1").Click();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
}

// Starts refused with one box (which box for which earlier installation: setup_core_test).

using archive::SetupKind;

// The box's caption and text; a wizard shown after OK would keep Setup.exe running.
std::pair<std::string, std::string> Refuse(SetupRun& run, const std::string& arguments = "-debug") {
  run.StartOnly(arguments);
  const driver::MessageBoxWindow box = run.App().WaitForMessageBox();
  std::pair seen{box.Caption(), box.Text()};
  EXPECT_FALSE(run.App().FindForm("FSetup").has_value());
  box.Press();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
  return seen;
}

// One changed body byte: the sums, computed and stored, follow the text.
TEST(StartRefusal, CorruptedByteShowsBothSums) {
  std::vector<SegmentFile> segments = WriteSegments(TestRelease());
  std::uint64_t stored = 0;  // a sound archive's stored sums are its byte sums
  const SegmentSet sound = AllPresent(segments);
  for (const archive::SegmentView& view : ViewsOf(sound))
    stored += view.present() ? archive::ByteSum(view.body, view.length) : 0;
  ++segments[0].at(archive::kSegmentChecksumSize + archive::SetupHeader::kTitleOffset);
  const std::uint64_t computed = stored + 1;
  SetupRun run(AllPresent(segments));
  // The switch in capitals still writes the log.
  const auto [caption, text] = Refuse(run, "-DEBUG");
  EXPECT_EQ(caption, Text(kMsgError));
  EXPECT_EQ(text, Text(kMsgSetupFileCorrupted) + std::to_string(computed) + "<->" +
                      std::to_string(stored) + ")");
  const std::vector<std::string> log = run.LogTexts();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(std::ranges::count(log, "starting setup, version 1490, params: -DEBUG"), 1);
  EXPECT_EQ(log.back(), "closing setup");
}

// Windows' own error number is the caption of a missing resource.
TEST(StartRefusal, MissingSegmentNamesTheResourceError) {
  const std::vector<SegmentFile> segments = WriteSegments(TestRelease(SetupKind::Full));
  SetupRun run(SegmentSet{segments[0], segments[1], std::nullopt});
  const auto [caption, text] = Refuse(run, "-debug ");  // a blank after the switch: no log
  EXPECT_EQ(caption, "1814");
  EXPECT_EQ(text, setup::CorruptedText(Text(kMsgSetupFileCorrupted)));
  EXPECT_TRUE(run.LogTexts().empty());
}

// Right sums, wrong structure: a byte left over behind the last record.
TEST(StartRefusal, StructuralFaultIsRefusedBeforeTheWizard) {
  std::vector<SegmentFile> segments = WriteSegments(TestRelease());
  segments[0].push_back(0);
  FixChecksum(segments[0]);
  SetupRun run(AllPresent(segments));
  EXPECT_EQ(Refuse(run).second, setup::CorruptedText(Text(kMsgSetupFileCorrupted)));
  EXPECT_EQ(run.LogTexts().back(), "closing setup");
}

// The refusal speaks the earlier installation's language, whatever the user's.
TEST(EarlierInstallation, FullOverOneIsRefusedInItsLanguage) {
  const CleanRegistry clean;
  const std::uint32_t other = 1 - UserLanguage();
  SetupRun run(AllPresent(WriteSegments(TestRelease(SetupKind::Full))));
  RegisterEarlier(run.Folder().PathOf("Tidemoor"), other, {});
  EXPECT_EQ(Refuse(run),
            std::pair(Text(kMsgError, other), Text(kMsgUninstallPreviousFirst, other)));
}

TEST(EarlierInstallation, UpdateOverAnotherClientVersionIsRefused) {
  const CleanRegistry clean;
  archive::ArchiveDescription release = TestRelease(SetupKind::Update);
  release.requiredVersionLS = 2;
  SetupRun run(AllPresent(WriteSegments(release)));
  RegisterEarlier(run.Folder().PathOf("Tidemoor"), 1,
                  driver::WinePath(TDM_DEMO_CLIENT));  // 0.807.3
  EXPECT_EQ(Refuse(run),
            std::pair(Text(kMsgWrongClientVersion, 1),
                      std::string("This update can only be installed on client version 0.807.")));
}

// Full disk, read-only medium (tmpfs mounts as M:), a file held open: nothing registered.

// Runs the demo installer into `directory` and returns the failure box's text.
std::string FailInto(const std::string& directory) {
  const CleanRegistry clean;
  SetupRun run(TDM_DEMO_FULL_SETUP);
  const Window wizard = run.Start();
  run.WalkToSettings(wizard);
  wizard.Child("Edit1").Type(directory);
  const std::string failure = run.Install(wizard);
  EXPECT_TRUE(wizard.Child("TabSheet5").IsVisible());
  EXPECT_EQ(wizard.Child("Label7").Text(), Text(kMsgInstallFailed));
  EXPECT_FALSE(wizard.Child("CheckBox4").IsVisible());
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    EXPECT_FALSE(KeyExists(root, kProductKey) || KeyExists(root, kUninstallKey));
  wizard.Child("Button1").Click();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
  return failure;
}

// "<text 20><the system's description> (<file>)": the description must say something.
void ExpectFileFailure(const std::string& text, const std::string& file = {}) {
  const std::size_t open = text.rfind(" (");
  EXPECT_TRUE(text.starts_with(Text(kMsgCopyException)) && open != std::string::npos &&
              open > Text(kMsgCopyException).size() && text.ends_with(")") &&
              (file.empty() || text.substr(open + 2) == file + ")"))
      << text;
}

TEST(Failure, FullDiskSparesTheNeighbourThenReadOnlyMediumRefusesTheDirectory) {
  // The reason is printed: without root there are no mounts, and these faults cannot be made.
  if (!driver::FileExists("M:\\full\\mounted") || !driver::FileExists("M:\\readonly\\mounted"))
    GTEST_SKIP() << "faults_media_mount could not mount the tmpfs media (not root)";
  std::ofstream("M:\\full\\other.cfg", std::ios::binary) << "volume=7";
  ExpectFileFailure(FailInto("M:\\full\\Tidemoor"));
  EXPECT_EQ(ReadContents("M:\\full\\other.cfg"), "volume=7");
  EXPECT_EQ(FailInto("M:\\readonly\\Fresh\\Tidemoor"), Text(kMsgCreateDirectoryFailed));
  EXPECT_EQ(ReadContents("M:\\readonly\\keep.txt"), "bystander on a read-only medium\n");
}

TEST(Failure, FileHeldOpenKeepsItsContents) {
  driver::ScratchDirectory folder("tdm-e2e-held");
  const std::string held = folder.PathOf("readme.txt");
  const HANDLE file = CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "my own notes", 12, &written, nullptr);
  const std::string failure = FailInto(folder.Path());
  CloseHandle(file);
  ExpectFileFailure(failure, "readme.txt");
  EXPECT_EQ(ReadContents(held), "my own notes");
}

}  // namespace
}  // namespace e2e
