// The updater as a player meets it: started from the installation of 0.807.3 (every
// journey in its own copy of one installed prefix), Check Version pressed, against the
// feeds of updater_feeds.sh served by nginx on 127.0.0.1.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "journey.h"
#include "s_lang.h"
#include "apply_seam.h"
#include "updater_journey.h"
#include "updater_msg_ids.h"

namespace {

namespace fs = std::filesystem;
using e2e::Text;
using namespace updater_journey;

std::string Payload(int build, const std::string& name) {
  return driver::WinePath(std::string(TDM_FEEDS_WORK "/payload-807.") + std::to_string(build) +
                          "/" + name);
}

testing::AssertionResult Says(const std::string& log, std::uint32_t id,
                              std::uint32_t language = kLanguageEnglish) {
  std::string text = Text(id, language);
  text = text.substr(0, text.find('%'));  // a printf text: up to its first field
  if (log.find(text) != std::string::npos) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "no \"" << text << "\" in\n" << log;
}

// A file of the feed "three" on the server, by its folder and name.
std::string Served(const std::string& folder, const std::string& name) {
  return driver::WinePath(TDM_TEST_SERVER_WWW "/variants/three/" + folder + "/" +
                          name.substr(0, 2) + "/" + name);
}

std::uint64_t FileSize(const std::string& path) {
  std::error_code code;
  const auto size = fs::file_size(path, code);
  return code ? 0 : size;
}

// What the apply leaves nothing of once it is done or undone.
void ExpectNoApplyLeft(const std::string& directory) {
  EXPECT_FALSE(test_support::FileExists(directory + "\\update.journal"));
  EXPECT_FALSE(test_support::IsDirectory(directory + "\\update.staging"));
}

TEST(UpdaterJourney, UpToDate) {
  Serve("one");
  const std::uint64_t before = ServerLogSize();
  UpdaterRun run;
  const std::string log = run.Check();
  EXPECT_TRUE(Says(log, kMsgNoNewFiles));
  EXPECT_TRUE(Says(log, kMsgClientUpToDate));
  EXPECT_EQ(ContentBytesSince(before), 0u);
  EXPECT_TRUE(IsRelease(InstallDir(), 3));
}

// The settings program lost as well: Options waits until the update brings it back.
TEST(UpdaterJourney, TwoReleasesBehindFetchesOnlyTheNewestFiles) {
  Serve("three");
  ASSERT_TRUE(DeleteFileA((InstallDir() + "\\TDMOptions.exe").c_str()));
  const std::uint64_t before = ServerLogSize();
  UpdaterRun run;
  EXPECT_FALSE(run.Form().Child("btn_options").IsEnabled());
  EXPECT_NE(run.Log().find(Text(kMsgInstalledClientVersion) + "0.807.3"), std::string::npos);
  const std::string log = run.Check();
  EXPECT_TRUE(Says(log, kMsgNewFilesFound));
  EXPECT_NE(log.find("(0.807.5)"), std::string::npos) << log;
  EXPECT_TRUE(Says(log, kMsgFileReceived));
  EXPECT_TRUE(Says(log, kMsgUpdateFinishedStartGame));
  // What arrived of the total stays in the size line.
  const std::string size = run.Form().Child("lbl_size").Text();
  EXPECT_NE(size.find(" / "), std::string::npos) << size;
  EXPECT_TRUE(run.Form().Child("btn_options").IsEnabled());
  const std::string directory = InstallDir();
  EXPECT_TRUE(IsRelease(directory, 5));
  ExpectNoApplyLeft(directory);
  // One set of downloads: nothing of 0.807.4 that 0.807.5 changed again. What changed
  // came as patches from the installed files, not whole.
  EXPECT_EQ(RequestsSince(before, Sha256Hex(Payload(4, "data/maps/harbour.map"))), 0);
  for (const char* name : {"readme.txt", "TDMClient.exe"}) {
    EXPECT_EQ(RequestsSince(before, "patches",
                            Sha256Hex(Payload(3, name)) + "-" + Sha256Hex(Payload(5, name))),
              1)
        << name;
    EXPECT_EQ(RequestsSince(before, "files", Sha256Hex(Payload(5, name))), 0) << name;
  }
  const std::uint64_t fetched = ContentBytesSince(before);
  EXPECT_GE(fetched, FileSize(Payload(5, "data/big.pak")));
  EXPECT_LT(fetched, 2 * FileSize(Payload(5, "data/big.pak")));
  // The links made as Setup makes them: the game's starts the updater.
  e2e::ExpectLink(e2e::ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Tidemoor.lnk", "updater.exe",
                  directory);
  e2e::ExpectLink(e2e::ShellFolder(CSIDL_PROGRAMS) + "\\Tidemoor\\Tidemoor.lnk", "updater.exe",
                  directory);
}

// The patch to the readme is damaged on the server and the player changed the client:
// each file comes another way, and the end is the same.
TEST(UpdaterJourney, ABadPatchAndAChangedFileFallBackToTheCompressedWhole) {
  Serve("badpatch");
  const std::string directory = InstallDir();
  std::ofstream(directory + "\\TDMClient.exe", std::ios::binary | std::ios::app) << "mod";
  const std::uint64_t before = ServerLogSize();
  UpdaterRun run;
  EXPECT_TRUE(Says(run.Check(), kMsgUpdateFinishedStartGame)) << run.Log();
  EXPECT_TRUE(IsRelease(directory, 5));
  const std::string readme = Sha256Hex(Payload(5, "readme.txt"));
  const std::string client = Sha256Hex(Payload(5, "TDMClient.exe"));
  EXPECT_EQ(RequestsSince(before, "patches", readme), 1);
  EXPECT_EQ(RequestsSince(before, "files", readme, ".zst"), 1);
  EXPECT_EQ(RequestsSince(before, "patches", client), 0);
  EXPECT_EQ(RequestsSince(before, "files", client, ".zst"), 1);
  EXPECT_EQ(RequestsSince(before, client), 1);  // nothing else of it
}

TEST(UpdaterJourney, KilledDuringTheApplyThenStartedAgain) {
  // The updater built with the kill seam in place of the installed one, as every release
  // of this feed carries it.
  Serve("killapply");
  const std::string directory = InstallDir();
  ASSERT_TRUE(
      CopyFileA(driver::WinePath(TDM_FEEDS_WORK "/killed/release-0.807.3/updater.exe").c_str(),
                (directory + "\\updater.exe").c_str(), FALSE));
  SetEnvironmentVariableA("TDM_KILL_AFTER_OP", "6");
  {
    UpdaterRun killed;
    killed.ClickCheck();
    EXPECT_EQ(killed.App().WaitForExit(driver::Milliseconds{120000}), apply_seam::kKilledExitCode);
  }
  SetEnvironmentVariableA("TDM_KILL_AFTER_OP", nullptr);
  ASSERT_TRUE(test_support::FileExists(directory + "\\update.journal"));
  // The journal is replayed before the window opens: one release, never a mix.
  UpdaterRun again;
  EXPECT_TRUE(IsRelease(directory, 3) || IsRelease(directory, 5))
      << IsRelease(directory, 3).message() << "; " << IsRelease(directory, 5).message();
  ExpectNoApplyLeft(directory);
  again.Check();
  EXPECT_TRUE(IsRelease(directory, 5));
}

TEST(UpdaterJourney, AGameFileHeldOpenStopsTheApplyBeforeAnythingIsReplaced) {
  Serve("three");
  const std::string directory = InstallDir();
  // The game reading its map, as a virus scanner would: others may read, not move it.
  HANDLE held = CreateFileA((directory + "\\data\\maps\\harbour.map").c_str(), GENERIC_READ,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  UpdaterRun run;
  const std::string log = run.Check();
  EXPECT_FALSE(Says(log, kMsgUpdateFinishedStartGame));
  // The player is told which file could not be replaced.
  const std::size_t named = log.find(Text(kMsgCopyException));
  ASSERT_NE(named, std::string::npos) << log;
  EXPECT_NE(log.substr(named, log.find('\n', named) - named).find("harbour.map"), std::string::npos)
      << log;
  EXPECT_TRUE(Says(log, kMsgInstallFailed));
  EXPECT_TRUE(IsRelease(directory, 3)) << log;
  ExpectNoApplyLeft(directory);
  // The game closed, the next check applies the files already downloaded.
  CloseHandle(held);
  const std::uint64_t before = ServerLogSize();
  EXPECT_TRUE(Says(run.Check(), kMsgFileAlreadyThere));
  EXPECT_EQ(ContentBytesSince(before), 0u);
  EXPECT_TRUE(IsRelease(directory, 5));
}

// What a folder outside the installation holds, after a test planted "keep.txt" there.
std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found))
    names.push_back(found.cFileName);
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// The player made update.staging (or data\maps\isles, which 807.5 brings files into) a
// link to C:\elsewhere (the test's entry plants it): the replay at start and the apply
// stop there, and nothing is staged into or placed in the folder it leads to, or removed
// from it.
TEST(UpdaterJourney, AFolderThatIsALinkStopsTheApplyAndIsNotFollowed) {
  Serve("three");
  const std::string directory = InstallDir(), kept = "C:\\elsewhere\\keep.txt";
  ASSERT_TRUE(CreateDirectoryA("C:\\elsewhere", nullptr));
  std::ofstream(kept) << "not the product's";
  ASSERT_TRUE(SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_READONLY));
  const char* planted = std::getenv("TDM_PLANTED_LINK");
  ASSERT_NE(planted, nullptr);
  const DWORD link = GetFileAttributesA((directory + "\\" + planted).c_str());
  ASSERT_NE(link, INVALID_FILE_ATTRIBUTES) << "the link is planted";
  ASSERT_NE(link & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  UpdaterRun run;
  const std::string log = run.Check();
  EXPECT_FALSE(Says(log, kMsgUpdateFinishedStartGame)) << log;
  EXPECT_TRUE(Says(log, kMsgInstallFailed)) << log;
  EXPECT_TRUE(IsRelease(directory, 3)) << log;
  EXPECT_TRUE(test_support::FileExists(kept));
  EXPECT_EQ(NamesIn("C:\\elsewhere"), (std::vector<std::string>{".", "..", "keep.txt"}));
}

// A release published with notes: the English installation fetches the English notes
// as a document, places them as patchnotes_english.txt, and the player says Yes.
TEST(UpdaterJourney, ThePatchNotesAreFetchedPlacedAndOffered) {
  Serve("notes");
  const std::uint64_t before = ServerLogSize();
  UpdaterRun run;
  run.AnswerYes();
  run.Check();
  const std::string log = run.WaitForQuestion();
  EXPECT_TRUE(Says(log, kMsgUpdateFinishedStartGame)) << log;
  EXPECT_NE(log.find(Text(kMsgReceivingDocument) + "patchnotes_english.txt"), std::string::npos)
      << log;
  EXPECT_TRUE(Says(log, kMsgReadPatchNotes)) << log;
  const std::string directory = InstallDir();
  EXPECT_TRUE(IsRelease(directory, 5));
  const std::string published = driver::WinePath(TDM_FEEDS_WORK "/notes_en.txt");
  EXPECT_EQ(Sha256Hex(directory + "\\patchnotes_english.txt"), Sha256Hex(published));
  EXPECT_FALSE(test_support::FileExists(directory + "\\patchnotes_deutsch.txt"));
  EXPECT_EQ(RequestsSince(before, Sha256Hex(published)), 1);
  // The game server list the release carries is placed, and not fetched again while the
  // installed one is the indexed one.
  const std::string servers = Sha256Hex(driver::WinePath(TDM_FEEDS_WORK "/servers.txt"));
  EXPECT_EQ(Sha256Hex(directory + "\\serverlist.txt"), servers);
  UpdaterRun again;
  EXPECT_TRUE(Says(again.Check(), kMsgClientUpToDate));
  EXPECT_EQ(RequestsSince(before, servers), 1);
}

TEST(UpdaterJourney, AFileCorruptedOnTheServerIsFetchedOnceMoreThenGivenUp) {
  Serve("corrupt");
  const std::uint64_t before = ServerLogSize();
  UpdaterRun run;
  const std::string log = run.Check();
  EXPECT_TRUE(Says(log, kMsgFileCorruptedRetry));
  EXPECT_TRUE(Says(log, kMsgDownloadFailed));
  EXPECT_TRUE(Says(log, kMsgPleaseTryAgain));
  // Its compressed form, gone from the server, asked once; the plain file twice.
  const std::string harbour = Sha256Hex(Payload(5, "data/maps/harbour.map"));
  EXPECT_EQ(RequestsSince(before, "files", harbour, ".zst"), 1);
  EXPECT_EQ(RequestsSince(before, harbour), 3);
  EXPECT_TRUE(IsRelease(InstallDir(), 3));
}

TEST(UpdaterJourney, ATamperedIndexIsRefused) {
  Serve("tampered");
  const std::uint64_t before = ServerLogSize();
  UpdaterRun run;
  EXPECT_TRUE(Says(run.Check(), kMsgBadVersionIndex));
  EXPECT_EQ(ContentBytesSince(before), 0u);
  EXPECT_TRUE(IsRelease(InstallDir(), 3));
}

TEST(UpdaterJourney, AnOlderIndexServedAgainIsRefused) {
  // The index of serial 3 read, its download cancelled (the slow feed leaves the time).
  Serve("slow");
  UpdaterRun run;
  run.ClickCheck();
  driver::WaitUntil([&] { return Says(run.Log(), kMsgReceivingFile); }, "the first download");
  run.Form().Child("btn_close").Click();
  run.WaitForLine(kMsgCancelled, driver::Milliseconds{60000});
  // Then the index of serial 2 served again: an attacker's replay, or a stale mirror.
  Serve("replayed");
  EXPECT_TRUE(Says(run.Check(), kMsgBadVersionIndex));
  EXPECT_TRUE(IsRelease(InstallDir(), 3));
}

// Another product's index under the feed's key; the old key, leaked, after a rotation.
TEST(UpdaterJourney, AnotherProductsIndexOrARotatedAwayKeyIsRefused) {
  UpdaterRun run;
  const std::uint64_t before = ServerLogSize();
  for (const auto& [variant, id] : {std::pair{"otherproduct", kMsgBadVersionIndex},
                                    {"rotated", kMsgClientUpToDate},
                                    {"oldkey", kMsgBadVersionIndex}}) {
    Serve(variant);
    const std::size_t from = run.Log().size();
    EXPECT_TRUE(Says(run.Check().substr(from), id)) << variant;
  }
  EXPECT_EQ(ContentBytesSince(before), 0u);
  EXPECT_TRUE(IsRelease(InstallDir(), 3));
}

TEST(UpdaterJourney, NoConnectionWhenTheServerIsStopped) {
  Serve("three");
  UpdaterRun run;
  {
    const ServerStopped stopped;
    EXPECT_TRUE(Says(run.Check(), kMsgConnectionFailed));
  }
  EXPECT_TRUE(IsRelease(InstallDir(), 3));
}

TEST(UpdaterJourney, KilledDuringADownloadThenStartedAgainFetchesOnlyTheRest) {
  Serve("slow");  // 256 KiB/s: the 2 MiB pack takes eight seconds
  const std::string directory = InstallDir();
  const std::string pack = Sha256Hex(Payload(5, "data/big.pak"));
  const std::string partial = directory + "\\update.download\\" + pack;
  const std::uint64_t start = ServerLogSize();
  {
    UpdaterRun run;
    run.ClickCheck();
    driver::WaitUntil([&] { return FileSize(partial) > 300000; }, "a part of the pack",
                      driver::Milliseconds{60000});
    run.App().GetProcess().Kill();
    run.App().WaitForExit();
  }
  const std::uint64_t kept = FileSize(partial);
  const std::uint64_t whole = FileSize(Payload(5, "data/big.pak"));
  ASSERT_LT(kept, whole);
  // nginx logs the cut-off request once it notices the connection gone.
  driver::WaitUntil([&] { return RequestsSince(start, pack) == 1; }, "the cut-off request logged");
  Serve("three");
  const std::uint64_t before = ServerLogSize();
  UpdaterRun again;
  again.Check();
  EXPECT_TRUE(IsRelease(directory, 5));
  EXPECT_EQ(ContentBytesSince(before, pack), whole - kept);
}

// The client's patch cut off by a kill: the next run asks for the rest of that patch
// alone, decodes it against the installed client, and leaves no part of it behind.
TEST(UpdaterJourney, KilledDuringAPatchDownloadThenStartedAgainResumesThePatch) {
  Serve("slower");
  const std::string directory = InstallDir(), downloads = directory + "\\update.download\\";
  const std::string to = Sha256Hex(Payload(5, "TDMClient.exe"));
  const std::string name = Sha256Hex(Payload(3, "TDMClient.exe")) + "-" + to + ".zst";
  const std::string served = Served("patches", name);
  const std::string partial = downloads + Sha256Hex(served) + ".zst";
  const std::uint64_t whole = FileSize(served), start = ServerLogSize();
  {
    UpdaterRun run;
    run.ClickCheck();
    driver::WaitUntil([&] { return FileSize(partial) > 0; }, "a part of the patch");
    run.App().GetProcess().Kill();
    run.App().WaitForExit();
  }
  const std::uint64_t kept = FileSize(partial);
  ASSERT_LT(kept, whole);
  EXPECT_EQ(FileSize(downloads + to) + FileSize(downloads + to + ".decoding"), 0u);
  driver::WaitUntil([&] { return RequestsSince(start, "patches", name) == 1; }, "the cut-off");
  // A part of the readme's compressed form, as a run that then took another way leaves.
  const std::string readme = Sha256Hex(Payload(5, "readme.txt"));
  std::ofstream(downloads + Sha256Hex(Served("files", readme + ".zst")) + ".zst") << "cut";
  Serve("three");
  const std::uint64_t before = ServerLogSize();
  UpdaterRun again;
  EXPECT_TRUE(Says(again.Check(), kMsgUpdateFinishedStartGame)) << again.Log();
  EXPECT_TRUE(IsRelease(directory, 5));
  ExpectNoApplyLeft(directory);
  EXPECT_FALSE(test_support::IsDirectory(downloads));
  EXPECT_EQ(AnswersSince(before, "patches", name),
            "206 " + std::to_string(whole - kept) + " \"bytes=" + std::to_string(kept) + "-\"\n");
  EXPECT_EQ(RequestsSince(before, "files", to), 0);  // neither the plain nor the compressed
}

TEST(UpdaterJourney, ItsOwnUpdateFirstThenTheGames) {
  Serve("selfupdate");
  const std::string directory = InstallDir();
  UpdaterRun run;
  run.ClickCheck();
  UpdaterRun next = UpdaterRun::Successor(run);
  run.App().WaitForExit(driver::Milliseconds{60000});
  next.WaitForLine(kMsgUpdateFinishedStartGame, driver::Milliseconds{120000});
  EXPECT_EQ(Sha256Hex(directory + "\\updater.exe"),
            Sha256Hex(driver::WinePath(TDM_FEEDS_WORK "/self/release-0.807.5/updater.exe")));
  EXPECT_FALSE(test_support::FileExists(directory + "\\updater.exe.old"));
  EXPECT_TRUE(IsRelease(directory, 5));
  next.Form().Close();
}

// The updater's own log (-debug), where each switch of server is written with its reason.
std::string UpdaterLog() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  std::ifstream in(std::string(temp) + "updater.log", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A mirror that lags: the index names odd_server.py's first, which has none of the files.
TEST(UpdaterJourney, AFirstMirrorWithoutTheFilesIsPassedOverForTheNext) {
  Serve("mirrors404");
  UpdaterRun run;
  EXPECT_TRUE(Says(run.Check(), kMsgUpdateFinishedStartGame));
  EXPECT_TRUE(IsRelease(InstallDir(), 5));
  EXPECT_NE(UpdaterLog().find("/missing/: not found there; the file from the next, http://"),
            std::string::npos)
      << UpdaterLog();
}

// A mirror that sends a byte now and then: the updater built with a 2 s window for the
// minimum rate gives it up for the run and takes the next, which the window shows.
TEST(UpdaterJourney, AFirstMirrorBelowTheMinimumRateIsGivenUp) {
  Serve("stall");
  const std::string directory = InstallDir();
  ASSERT_TRUE(
      CopyFileA(driver::WinePath(TDM_FEEDS_WORK "/shortrate/release-0.807.3/updater.exe").c_str(),
                (directory + "\\updater.exe").c_str(), FALSE));
  UpdaterRun run;
  const std::string feedServer = run.Form().Child("lbl_server").Text();
  run.ClickCheck();
  for (const bool feed : {false, true})  // the slow mirror in use, then the feed's server
    driver::WaitUntil([&] { return (run.Form().Child("lbl_server").Text() == feedServer) == feed; },
                      "the server shown", driver::Milliseconds{60000});
  run.WaitForLine(kMsgUpdateFinishedStartGame, driver::Milliseconds{120000});
  EXPECT_TRUE(IsRelease(directory, 5));
  const std::string log = UpdaterLog(), slow = "/drip/selected/: below the minimum rate; the ";
  EXPECT_EQ(log.find(slow), log.rfind(slow)) << log;  // given up once, for the run
  EXPECT_NE(log.find(slow + "file from the next, http://" + feedServer), std::string::npos) << log;
}

// An Austrian player: the registered language is German, and so is the window.
TEST(UpdaterJourneyGerman, UpToDate) {
  const DWORD german = kLanguageGerman;
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Tidemoor", "Language", REG_DWORD, &german,
                            sizeof german),
            ERROR_SUCCESS);
  Serve("one");
  UpdaterRun run;
  EXPECT_EQ(run.Form().Child("btn_check").Text(), Text(kMsgCheckVersion, kLanguageGerman));
  const std::string log = run.Check();
  EXPECT_TRUE(Says(log, kMsgNoNewFiles, kLanguageGerman));
  EXPECT_TRUE(Says(log, kMsgClientUpToDate, kLanguageGerman));
}

}  // namespace
