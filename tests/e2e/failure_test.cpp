// A full disk, a read-only medium (tmpfs mounts of ctest's fixture, drive M:), a file
// held open: the failure page, nothing registered, other files alone, exit code 0.
// The box's format for every failure, the end page's buttons: install_engine_test.
#include "journey.h"

namespace e2e {
namespace {

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

// The reason is printed: without root there are no mounts, and these faults cannot be made.
bool MediaMounted() {
  return driver::FileExists("M:\\full\\mounted") && driver::FileExists("M:\\readonly\\mounted");
}

TEST(Failure, FullDiskSparesTheNeighbourThenReadOnlyMediumRefusesTheDirectory) {
  if (!MediaMounted())
    GTEST_SKIP() << "faults_media_mount could not mount the tmpfs media (not root)";
  std::FILE* neighbour = std::fopen("M:\\full\\other.cfg", "wb");
  ASSERT_NE(neighbour, nullptr);
  std::fputs("volume=7", neighbour);
  std::fclose(neighbour);
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
