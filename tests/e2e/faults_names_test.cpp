// Archives whose names try to leave the installation directory (a ".." component, an
// absolute name, a drive letter, a server path, a link name with a separator) are
// refused when Setup.exe loads them, before a page is shown, and write nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <fstream>
#include <functional>

#include "archive_writer.h"
#include "driver.h"
#include "faults_support.h"
#include "pe_resources.h"
#include "s_lang.h"

namespace faults {
namespace {

const std::uint8_t kBytes[] = {'e', 's', 'c', 'a', 'p', 'e'};

archive::ArchiveDescription HarmlessRelease(archive::SetupKind kind) {
  archive::ArchiveDescription d;
  d.kind = kind;
  d.title = "Tidemoor names";
  d.installDirSuffix = "\\Tidemoor";
  d.startMenuGroup = "Tidemoor";
  d.termsLines = {{{"Bedingungen"}, {"Terms"}}};
  d.directories = {"data"};
  d.readmes = {{{"readme.txt", "Info.lnk"}, {"readme.txt", "Info.lnk"}}};
  d.files = {{"readme.txt", 0, sizeof kBytes, kBytes, {}},
             {"TDMClient.exe", 0, sizeof kBytes, kBytes, {}}};
  d.programFile = "TDMClient.exe";
  d.desktopLinkName = "Tidemoor.lnk";
  d.shortcuts = {{"TDMClient.exe", 23}};
  return d;
}

struct EscapeCase {
  const char* what;
  archive::SetupKind kind;
  std::function<void(archive::ArchiveDescription&)> spoil;
};

const EscapeCase kCases[] = {
    {"DotDotFile", archive::SetupKind::Full,
     [](auto& d) {
       d.files.push_back({"../escape.txt", 0, sizeof kBytes, kBytes, {}});
     }},
    {"NestedDotDotFile", archive::SetupKind::Full,
     [](auto& d) {
       d.files.push_back({"data/../../escape.txt", 0, sizeof kBytes, kBytes, {}});
     }},
    {"AbsoluteFile", archive::SetupKind::Full,
     [](auto& d) {
       d.files.push_back({"\\escape.txt", 0, sizeof kBytes, kBytes, {}});
     }},
    {"DriveLetterFile", archive::SetupKind::Full,
     [](auto& d) {
       d.files.push_back({"C:/escape.txt", 0, sizeof kBytes, kBytes, {}});
     }},
    {"ServerPathFile", archive::SetupKind::Full,
     [](auto& d) {
       d.files.push_back({"//server/share/escape.txt", 0, sizeof kBytes, kBytes, {}});
     }},
    {"DotDotDirectory", archive::SetupKind::Full,
     [](auto& d) { d.directories.push_back("../escape"); }},
    {"DotDotObsoleteFile", archive::SetupKind::Update,
     [](auto& d) { d.obsoleteFiles.push_back("../victim.txt"); }},
    {"DotDotShortcutTarget", archive::SetupKind::Full,
     [](auto& d) {
       d.shortcuts.push_back({"../../windows/notepad.exe", 24});
     }},
    {"DesktopLinkWithSeparator", archive::SetupKind::Full,
     [](auto& d) { d.desktopLinkName = "..\\escape.lnk"; }},
};

// Writes the spoiled archive into a copy of the stub, as mksetup would (mksetup
// itself refuses such names).
std::string BuildSetup(const EscapeCase& escape, const driver::ScratchDirectory& scratch) {
  archive::ArchiveDescription d = HarmlessRelease(escape.kind);
  escape.spoil(d);
  archive::ArchivePlan plan;
  std::string error;
  if (!archive::PlanArchive(d, plan, error)) throw driver::DriverError("plan: " + error);
  std::array<archive::MemorySink, archive::kMaxSegments> sinks;
  const archive::WriteResult written =
      archive::WriteArchive(d, plan, {&sinks[0], &sinks[1], &sinks[2]});
  if (!written.ok) throw driver::DriverError("write: " + written.error);
  std::vector<peres::AddedResource> resources;
  for (int i = 0; i < plan.segmentCount; ++i) {
    const std::string path = scratch.PathOf("ID_SETUPFILE" + std::to_string(i + 1) + ".bin");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(sinks[i].bytes().data()),
               static_cast<std::streamsize>(sinks[i].bytes().size()));
    resources.push_back({"BIN", "ID_SETUPFILE" + std::to_string(i + 1), path});
  }
  const std::string setup = scratch.PathOf("Setup.exe");
  if (!peres::WriteWithResources(driver::WinePath(TDM_SETUP_STUB), resources, setup, error))
    throw driver::DriverError("setup: " + error);
  return setup;
}

class EscapingNames : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapingNames, AreRefusedAtLoadAndWriteNothing) {
  const std::string programFiles = "C:\\Program Files";
  WriteBystander(programFiles + "\\victim.txt", "someone else's");
  driver::ScratchDirectory scratch("tdm-faults-names");
  const std::string setup = BuildSetup(GetParam(), scratch);

  driver::App app = driver::App::Start(setup);
  const driver::MessageBoxWindow box = app.WaitForMessageBox();
  const std::string text = box.Text();
  EXPECT_TRUE(text == Catalogue(kMsgSetupFileCorrupted, kLanguageEnglish) ||
              text == Catalogue(kMsgSetupFileCorrupted, kLanguageGerman))
      << text;
  EXPECT_FALSE(app.FindForm("FSetup").has_value()) << "the wizard was shown";
  box.Press(IDOK);
  EXPECT_EQ(app.WaitForExit(), 0u);

  EXPECT_FALSE(driver::FileExists(programFiles + "\\Tidemoor"));
  EXPECT_FALSE(driver::FileExists(programFiles + "\\escape.txt"));
  EXPECT_FALSE(driver::FileExists("C:\\escape.txt"));
  EXPECT_FALSE(driver::FileExists(programFiles + "\\escape"));
  EXPECT_EQ(ReadFileBytes(programFiles + "\\victim.txt"), "someone else's");
  EXPECT_TRUE(NothingRegistered()) << RegistryLeftovers();
}

INSTANTIATE_TEST_SUITE_P(Faults, EscapingNames, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.what); });

}  // namespace
}  // namespace faults
