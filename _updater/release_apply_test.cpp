// The apply of a release under Wine: a file held open stops it with nothing changed; an
// apply killed after an operation is finished or undone by the replay, to exactly one
// release; the uninstaller finishes a pending apply before it reads its lists.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>

#include "apply_seam.h"
#include "journal_replay.h"
#include "release_apply_fixture_test.h"
#include "replay_run_win.h"

namespace {

using apply_fixture::Snapshot;
using updater::ApplyStatus;

std::string WinePath(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return "Z:" + path;
}

DWORD RunProgram(std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return GetLastError() + 1000000;
  WaitForSingleObject(process.hProcess, 120000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

struct Scene {
  std::string dir, group, a;  // `a`: the snapshot of release A
};

Scene Install(const std::string& name) {
  Scene scene{"C:\\" + name, name, {}};
  apply_fixture::InstallAWithDownloads(scene.dir, scene.group);
  scene.a = Snapshot(scene.dir, scene.group);
  return scene;
}

// Release B as a plain apply leaves it.
const std::string& ReleaseB() {
  static const std::string b = [] {
    const Scene scene = Install("apply-plain");
    EXPECT_EQ(updater::ApplyRelease(apply_fixture::Request(scene.dir, scene.group)).status,
              ApplyStatus::kApplied);
    return Snapshot(scene.dir, scene.group);
  }();
  return b;
}

// The operations of the apply, as B over A plans them; `commit` counts from 1.
std::vector<journal::Operation> Operations(std::size_t& commit) {
  const std::vector<journal::Operation> ops = journal::ApplyOperations(
      {{"TDMClient.exe", "a.txt", "data\\maps\\c.map", "uninstall\\0.2.0.lst"},
       {"old.txt"},
       {"data\\maps"}});
  for (commit = 0; commit < ops.size() && ops[commit].record.kind != journal::Kind::kCommit;)
    ++commit;
  ++commit;
  return ops;
}

DWORD ApplyKilledAfter(const Scene& scene, std::size_t operation) {
  SetEnvironmentVariableA("TDM_KILL_AFTER_OP", std::to_string(operation).c_str());
  const DWORD code = RunProgram("\"" + WinePath(TDM_APPLY_CHILD_KILLED) + "\" \"" + scene.dir +
                                "\" " + scene.group);
  SetEnvironmentVariableA("TDM_KILL_AFTER_OP", nullptr);
  return code;
}

TEST(ReleaseApply, PlacesTheNewReleaseWithItsListLinksAndVersion) {
  const std::string& b = ReleaseB();
  for (const char* part :
       {"TDMClient.exe=client B\n", "a.txt=alpha B\n", "data\\b.dat=bravo\n",
        "data\\maps\\c.map=charlie\n", "link Tidemoor Setup.lnk\n", "link Tidemoor.lnk\n",
        "link Readme.lnk\n", "version 0.2.0\n", "uninstall\\0.1.0.lst=", "uninstall\\0.2.0.lst="})
    EXPECT_NE(b.find(part), std::string::npos) << part << " in\n" << b;
  for (const char* gone : {"\nold.txt=", "update.staging", "update.journal"})
    EXPECT_EQ(b.find(gone), std::string::npos) << gone << " in\n" << b;
}

TEST(ReleaseApply, AFileHeldOpenStopsItBeforeAnythingChanges) {
  ReleaseB();
  const Scene scene = Install("apply-held");
  HANDLE held = CreateFileA((scene.dir + "\\a.txt").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const updater::ApplyOutcome outcome =
      updater::ApplyRelease(apply_fixture::Request(scene.dir, scene.group));
  CloseHandle(held);
  EXPECT_EQ(outcome.status, ApplyStatus::kFileHeld);
  EXPECT_EQ(outcome.name, "a.txt");
  EXPECT_EQ(Snapshot(scene.dir, scene.group), scene.a);
  // The downloads waited: once the file is free the apply goes through.
  EXPECT_EQ(updater::ApplyRelease(apply_fixture::Request(scene.dir, scene.group)).status,
            ApplyStatus::kApplied);
  EXPECT_EQ(Snapshot(scene.dir, scene.group), ReleaseB());
}

class KilledApply : public ::testing::TestWithParam<int> {};

// Killed after the N-th operation (N from the end when negative), then replayed.
TEST_P(KilledApply, TheReplayLeavesExactlyOneRelease) {
  const std::string& b = ReleaseB();
  std::size_t commit = 0;
  const std::size_t count = Operations(commit).size();
  const std::size_t n = GetParam() > 0 ? GetParam() : count + GetParam();
  const Scene scene = Install("apply-killed-" + std::to_string(n));
  ASSERT_EQ(ApplyKilledAfter(scene, n), apply_seam::kKilledExitCode);
  const journal::ReplayOutcome replay = journal::ReplayPendingApply(scene.dir);
  EXPECT_TRUE(replay.ran);
  EXPECT_FALSE(replay.failed || replay.lost);
  EXPECT_EQ(Snapshot(scene.dir, scene.group), n < commit ? scene.a : b) << "after operation " << n;
  EXPECT_FALSE(journal::ReplayPendingApply(scene.dir).ran);
}

// Plan, a move, the last before commit, commit, a cleanup, done, the journal gone.
INSTANTIATE_TEST_SUITE_P(AfterOperation, KilledApply, ::testing::Values(3, 14, 25, 26, 28, -2, -1));

TEST(ReplayAtStart, TheUninstallerFinishesAPendingApplyThenRemovesTheUpdatersNames) {
  const Scene scene = Install("apply-uninstall");
  std::size_t commit = 0;
  Operations(commit);
  ASSERT_EQ(ApplyKilledAfter(scene, commit), apply_seam::kKilledExitCode);
  const std::string program = scene.dir + "\\uninstall.exe", quoted = "\"" + program + "\"";
  ASSERT_TRUE(CopyFileA(WinePath(TDM_UNINSTALL_EXE).c_str(), program.c_str(), FALSE));
  const DWORD english = 1;
  RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Tidemoor", "InstallDir", REG_SZ, scene.dir.c_str(),
                  static_cast<DWORD>(scene.dir.size() + 1));
  RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Tidemoor", "Language", REG_DWORD, &english, 4);
  RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Tidemoor", "StartMenuGroup", REG_SZ,
                  scene.group.c_str(), static_cast<DWORD>(scene.group.size() + 1));
  RegSetKeyValueA(HKEY_CURRENT_USER,
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor",
                  "UninstallString", REG_SZ, quoted.c_str(), static_cast<DWORD>(quoted.size() + 1));
  RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Tidemoor\\Updater", "CheckAutomatically", REG_DWORD,
                  &english, 4);
  char local[MAX_PATH] = {}, temp[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
  const std::string downloads = std::string(local) + "\\Tidemoor\\update.download";
  CreateDirectoryA((std::string(local) + "\\Tidemoor").c_str(), nullptr);
  CreateDirectoryA(downloads.c_str(), nullptr);
  std::ofstream(downloads + "\\partial") << "half a file";

  EXPECT_EQ(RunProgram(quoted + " /S -debug"), 0u);
  for (int i = 0; i < 300 && GetFileAttributesA(scene.dir.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
    Sleep(100);
  EXPECT_EQ(GetFileAttributesA(scene.dir.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(downloads.c_str()), INVALID_FILE_ATTRIBUTES);
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tidemoor", 0, KEY_READ, &key), 0);
  GetTempPathA(sizeof temp, temp);
  std::ostringstream log;
  log << std::ifstream(std::string(temp) + "uninstall.log").rdbuf();
  EXPECT_NE(log.str().find("roll forward"), std::string::npos) << log.str();
}

}  // namespace
