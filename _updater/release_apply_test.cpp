// The apply of a release under Wine: a file held open stops it with nothing changed; an
// apply killed after an operation is finished or undone by the replay, to exactly one
// release; the uninstaller finishes a pending apply before it reads its lists.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <process.h>

#include <fstream>
#include <sstream>

#include "apply_seam.h"
#include "journal_replay.h"
#include "release_apply_fixture_test.h"
#include "replay_run_win.h"

namespace {

using apply_fixture::Snapshot;
using updater::ApplyStatus;

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

const std::vector<journal::Operation>& OperationsOfB() {
  static const std::vector<journal::Operation> ops = journal::ApplyOperations(
      {{"TDMClient.exe", "a.txt", "data\\maps\\c.map", "uninstall\\0.2.0.lst"},
       {"old.txt"},
       {"data\\maps"}});
  return ops;
}

// Where the apply of B over A commits, counted from 1, and how many operations it has.
std::size_t Commit(std::size_t* count = nullptr) {
  const std::vector<journal::Operation>& ops = OperationsOfB();
  if (count != nullptr) *count = ops.size();
  std::size_t commit = 0;
  while (commit < ops.size() && ops[commit].record.kind != journal::Kind::kCommit) ++commit;
  return commit + 1;
}

intptr_t ApplyKilledAfter(const Scene& scene, std::size_t operation) {
  _putenv_s("TDM_KILL_AFTER_OP", std::to_string(operation).c_str());
  const intptr_t code = _spawnl(_P_WAIT, TDM_APPLY_CHILD_KILLED, TDM_APPLY_CHILD_KILLED,
                                scene.dir.c_str(), scene.group.c_str(), nullptr);
  _putenv_s("TDM_KILL_AFTER_OP", "");
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

// A file held open stops the apply before anything changes; a move that keeps failing
// midway (a folder where the new list goes) is tried again, then rolled back. Either way
// the downloads wait for the next apply, which goes through.
TEST(ReleaseApply, AHeldFileOrAFailingMoveLeavesTheReleaseAsItWas) {
  const std::string& b = ReleaseB();
  Scene scene = Install("apply-stopped");
  const std::string blocker = scene.dir + "\\uninstall\\0.2.0.lst";
  HANDLE held = CreateFileA((scene.dir + "\\a.txt").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  updater::ApplyOutcome outcome =
      updater::ApplyRelease(apply_fixture::Request(scene.dir, scene.group));
  CloseHandle(held);
  EXPECT_EQ(outcome.status, ApplyStatus::kFileHeld);
  EXPECT_EQ(outcome.name, "a.txt");
  EXPECT_EQ(Snapshot(scene.dir, scene.group), scene.a);
  CreateDirectoryA(blocker.c_str(), nullptr);
  scene.a = Snapshot(scene.dir, scene.group);
  outcome = updater::ApplyRelease(apply_fixture::Request(scene.dir, scene.group));
  EXPECT_EQ(outcome.status, ApplyStatus::kRolledBack);
  EXPECT_EQ(outcome.name, "uninstall\\0.2.0.lst");
  EXPECT_EQ(Snapshot(scene.dir, scene.group), scene.a);
  RemoveDirectoryA(blocker.c_str());
  EXPECT_EQ(updater::ApplyRelease(apply_fixture::Request(scene.dir, scene.group)).status,
            ApplyStatus::kApplied);
  EXPECT_EQ(Snapshot(scene.dir, scene.group), b);
}

class KilledApply : public ::testing::TestWithParam<int> {};

// Killed after the N-th operation (N from the end when negative), then replayed.
TEST_P(KilledApply, TheReplayLeavesExactlyOneRelease) {
  const std::string& b = ReleaseB();
  std::size_t count = 0;
  const std::size_t commit = Commit(&count), n = GetParam() > 0 ? GetParam() : count + GetParam();
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

// Cut off once data\maps\c.map is in place; then the player swaps data\maps for a link
// to a folder holding a c.map of its own. The roll back stops at the link: the other
// folder's file is neither taken into the staging folder nor removed with it.
TEST(LinkedApply, TheReplayDoesNotReachThroughAFolderSwappedForALink) {
  const std::string outsider = "C:\\outside\\c.map", maps = "C:\\apply-link\\data\\maps";
  ASSERT_TRUE(CreateDirectoryA("C:\\outside", nullptr));
  std::ofstream(outsider) << "not the game's";
  const Scene scene = Install("apply-link");
  const std::vector<journal::Operation>& ops = OperationsOfB();
  std::size_t placed = 0;
  while (placed < ops.size() &&
         !(ops[placed].op == journal::Op::kPlace && ops[placed].name == "data\\maps\\c.map"))
    ++placed;
  ASSERT_EQ(ApplyKilledAfter(scene, placed + 1), apply_seam::kKilledExitCode);
  // Wine starts a host program as it would a Windows one, without an exit code to wait
  // for: what it did is waited for instead.
  const std::string swap =
      std::string("\"") + TDM_SWAP_FOR_LINK + "\" apply-link/data/maps ../../outside";
  _spawnl(_P_NOWAIT, TDM_SWAP_FOR_LINK, swap.c_str(), nullptr);
  const std::string moved = maps + ".real\\c.map", linked = maps + "\\c.map";
  auto swapped = [&] {
    return GetFileAttributesA(moved.c_str()) != INVALID_FILE_ATTRIBUTES &&
           GetFileAttributesA(linked.c_str()) != INVALID_FILE_ATTRIBUTES;
  };
  for (int i = 0; i < 200 && !swapped(); ++i) Sleep(50);
  ASSERT_TRUE(swapped());
  const journal::ReplayOutcome replay = journal::ReplayPendingApply(scene.dir);
  EXPECT_TRUE(replay.failed);
  EXPECT_EQ(replay.subject, scene.dir + "\\update.staging\\new\\data\\maps\\c.map");
  std::ifstream read(outsider);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(read)), {}), "not the game's");
}

void Set(const char* key, const char* name, DWORD type, const void* data, std::size_t size) {
  RegSetKeyValueA(HKEY_CURRENT_USER, key, name, type, data, static_cast<DWORD>(size));
}

// Setup rolls back an apply cut off before its commit; the uninstaller rolls one cut off
// after it forward before it reads the lists, then removes the updater's names too.
TEST(ReplayAtStart, SetupAndTheUninstallerFinishAPendingApplyFirst) {
  const Scene scene = Install("apply-start");
  const std::string program = scene.dir + "\\uninstall.exe", quoted = "\"" + program + "\"";
  const DWORD english = 1;
  Set("Software\\Tidemoor", "InstallDir", REG_SZ, scene.dir.c_str(), scene.dir.size() + 1);
  Set("Software\\Tidemoor", "Language", REG_DWORD, &english, 4);
  Set("Software\\Tidemoor", "StartMenuGroup", REG_SZ, scene.group.c_str(), scene.group.size() + 1);
  Set("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor", "UninstallString",
      REG_SZ, quoted.c_str(), quoted.size() + 1);
  Set("Software\\Tidemoor\\Updater", "CheckAutomatically", REG_DWORD, &english, 4);
  ASSERT_EQ(ApplyKilledAfter(scene, Commit() - 1), apply_seam::kKilledExitCode);
  // The update refuses this installation's client, but only after the replay.
  EXPECT_NE(_spawnl(_P_WAIT, TDM_DEMO_UPDATE_SETUP, TDM_DEMO_UPDATE_SETUP, "/S", nullptr), 0);
  EXPECT_EQ(Snapshot(scene.dir, scene.group), scene.a);

  apply_fixture::InstallAWithDownloads(scene.dir, scene.group);
  ASSERT_EQ(ApplyKilledAfter(scene, Commit()), apply_seam::kKilledExitCode);
  ASSERT_TRUE(CopyFileA(TDM_UNINSTALL_EXE, program.c_str(), FALSE));
  char local[MAX_PATH] = {}, temp[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
  const std::string downloads = std::string(local) + "\\Tidemoor\\update.download";
  CreateDirectoryA((std::string(local) + "\\Tidemoor").c_str(), nullptr);
  CreateDirectoryA(downloads.c_str(), nullptr);
  std::ofstream(downloads + "\\partial") << "half a file";
  // The updater's own files beside the game's go by their names too.
  std::ofstream(scene.dir + "\\serverlist.txt") << "harbour 1";
  std::ofstream(scene.dir + "\\updater.exe.old") << "MZ";
  EXPECT_EQ(_spawnl(_P_WAIT, program.c_str(), quoted.c_str(), "/S", "-debug", nullptr), 0);
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
