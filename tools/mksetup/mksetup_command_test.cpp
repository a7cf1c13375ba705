#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "archive_walk.h"
#include "commands.h"
#include "file_time.h"
#include "pe_test_image.h"
#include "segment_files.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

const char kManifest[] =
    "[Setup]\n"
    "Kind = Full\n"
    "Title = Tidemoor 0.807\n"
    "InstallFolder = \\Tidemoor\n"
    "StartMenuGroup = Tidemoor \xC3\x9C\n"
    "PackageVersion = 807.3\n"
    "Payload = payload\n"
    "[Terms]\n"
    "German = terms_de.txt\n"
    "English = terms_en.txt\n"
    "[Readme]\n"
    "GermanFile = Liesmich.txt\n"
    "GermanLink = Liesmich.lnk\n"
    "EnglishFile = Readme.txt\n"
    "EnglishLink = Readme.lnk\n"
    "[Program]\n"
    "File = TDMClient.exe\n"
    "DesktopLink = Tidemoor.lnk\n"
    "[Shortcuts]\n"
    "Shortcut = TDMClient.exe, 25\n"
    "Shortcut = data/Uninstall.exe, 23\n"
    "Shortcut = Readme.txt, 24\n";

class MksetupCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        ("mksetup-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "payload" / "data" / "maps");
    fs::create_directories(dir_ / "payload" / "empty");
    Put("payload/TDMClient.exe", "MZ client");
    Put("payload/Liesmich.txt", "Lies mich\r\n");
    Put("payload/Readme.txt", "Read me\r\n");
    Put("payload/data/Uninstall.exe", "MZ uninstall");
    Put("payload/data/maps/sea.map", std::string(70'000, '\x7F'));
    Put("payload/data/maps/zero.map", "");
    Put("terms_de.txt", "\xEF\xBB\xBFNutzungsbedingungen\r\n\r\n\xC3\x84nderungen\r\n");
    Put("terms_en.txt", "Terms of use\n");
    Put("t.ini", kManifest);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return RunMksetup(args, out_, err_);
  }
  int Archive(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"archive", (dir_ / "t.ini").string(), (dir_ / "out").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args);
  }
  std::string Segment(int n) const { return SegmentFilePath(dir_ / "out", n).string(); }
  std::vector<std::string> OutputFiles() const {
    std::vector<std::string> names;
    if (fs::exists(dir_ / "out"))
      for (const auto& entry : fs::directory_iterator(dir_ / "out"))
        names.push_back(entry.path().filename().string());
    return names;
  }
  // A refused build says what and where, and leaves no archive at all behind, not
  // even the one an earlier good build made.
  void ExpectRefused(const std::string& where, const std::string& problem) {
    fs::create_directories(dir_ / "out");
    for (int n = 1; n <= 3; ++n) Put("out/ID_SETUPFILE" + std::to_string(n) + ".bin", "earlier");
    Put("out/ID_SETUPFILE1.bin.partial", "interrupted");
    Put("t.ini", manifest_);
    EXPECT_EQ(Archive(), kExitFailed);
    EXPECT_NE(err_.str().find(where), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find(problem), std::string::npos) << err_.str();
    EXPECT_TRUE(OutputFiles().empty()) << OutputFiles().front();
    Put("t.ini", kManifest);
    manifest_ = kManifest;
  }
  void Manifest(const std::string& from, const std::string& to) {
    manifest_ = kManifest;
    const std::size_t at = manifest_.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    manifest_.replace(at, from.size(), to);
  }

  fs::path dir_;
  std::ostringstream out_, err_;
  std::string manifest_ = kManifest;
};

struct Collected final : archive::ArchiveVisitor {
  std::vector<std::string> directories, names, terms;
  std::vector<std::uint64_t> times;
  std::vector<std::string> data;
  std::vector<std::uint32_t> shortcutIds;
  void OnDirectory(const char* name) override { directories.push_back(name); }
  void OnTermsLine(std::uint32_t, const char* line) override { terms.push_back(line); }
  void OnFile(const archive::FileRecord& f, int) override {
    names.push_back(f.name);
    times.push_back(f.fileTime);
    data.emplace_back(reinterpret_cast<const char*>(f.data), f.size);
  }
  void OnShortcut(const archive::ShortcutRecord& s) override {
    shortcutIds.push_back(s.linkNameId);
  }
};

TEST_F(MksetupCommand, ArchiveRoundTripsThePayload) {
  ASSERT_EQ(Archive(), kExitOk) << err_.str();
  std::vector<MappedFile> maps;
  ArchiveSegments segments;
  std::string error;
  ASSERT_TRUE(MapSegmentFiles({Segment(1), Segment(2), Segment(3)}, maps, segments, error));
  Collected c;
  const archive::WalkResult walk = archive::WalkArchive(segments.Views(), c);
  ASSERT_TRUE(walk.ok) << walk.problem;
  EXPECT_EQ(c.directories, (std::vector<std::string>{"data", "data/maps", "empty"}));
  EXPECT_EQ(c.terms,
            (std::vector<std::string>{"Nutzungsbedingungen", "", "\xC4nderungen", "Terms of use"}));
  const std::vector<std::string> names = {"Liesmich.txt",      "Readme.txt",
                                          "TDMClient.exe",     "data/Uninstall.exe",
                                          "data/maps/sea.map", "data/maps/zero.map"};
  ASSERT_EQ(c.names, names);
  EXPECT_EQ(c.data[2], "MZ client");
  EXPECT_EQ(c.data[4], std::string(70'000, '\x7F'));
  EXPECT_EQ(c.data[5], "");
  std::uint64_t expected = 0;
  ASSERT_TRUE(ToFileTime(fs::last_write_time(dir_ / "payload" / "TDMClient.exe"), expected));
  EXPECT_EQ(c.times[2], expected);
  EXPECT_EQ(c.shortcutIds, (std::vector<std::uint32_t>{25, 23, 24}));

  EXPECT_EQ(Run({"verify", Segment(1), Segment(2), Segment(3)}), kExitOk);
  EXPECT_EQ(out_.str(), "OK\n");
  EXPECT_EQ(Run({"list", Segment(1), Segment(2), Segment(3)}), kExitOk);
  EXPECT_NE(out_.str().find("\"data/maps/sea.map\"  70000 bytes"), std::string::npos);
  EXPECT_NE(out_.str().find("start-menu group: \"Tidemoor \xC3\x9C\""), std::string::npos)
      << "listed as UTF-8";
}

TEST_F(MksetupCommand, PayloadOptionReplacesTheManifestsFolder) {
  fs::rename(dir_ / "payload", dir_ / "elsewhere");
  EXPECT_EQ(Archive(), kExitFailed);
  EXPECT_NE(err_.str().find("payload folder does not exist"), std::string::npos);
  EXPECT_EQ(Archive({"--payload", (dir_ / "elsewhere").string()}), kExitOk) << err_.str();
}

TEST_F(MksetupCommand, AnUpdateAfterAFullBuildLeavesOnlyItsOwnSegment) {
  ASSERT_EQ(Archive(), kExitOk);
  Manifest("Kind = Full", "Kind = Update");
  Put("t.ini", manifest_);
  ASSERT_EQ(Archive(), kExitOk) << err_.str();
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{"ID_SETUPFILE1.bin"});
  EXPECT_EQ(Run({"verify", Segment(1)}), kExitOk) << out_.str();
}

TEST_F(MksetupCommand, VerifyFindsAChangedByte) {
  ASSERT_EQ(Archive(), kExitOk);
  {
    std::fstream file(Segment(1), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(2000);
    file.put('\x01');
  }
  EXPECT_EQ(Run({"verify", Segment(1), Segment(2), Segment(3)}), kExitFailed);
  EXPECT_NE(out_.str().find("segment 1 stores checksum"), std::string::npos) << out_.str();
  EXPECT_EQ(Run({"verify", Segment(1)}), kExitFailed);  // a Full archive lacking 2 and 3
}

TEST_F(MksetupCommand, SetupWritesTheArchiveIntoTheStub) {
  peres::testing::WriteFile((dir_ / "stub.exe").string(), peres::testing::MakeStubImage());
  const std::string exe = (dir_ / "Setup.exe").string();
  ASSERT_EQ(
      Run({"setup", (dir_ / "t.ini").string(), "--stub", (dir_ / "stub.exe").string(), "-o", exe}),
      kExitOk)
      << err_.str();
  EXPECT_EQ(Run({"verify", exe}), kExitOk) << out_.str() << err_.str();
  EXPECT_EQ(Run({"list", exe}), kExitOk);
  EXPECT_NE(out_.str().find("\"TDMClient.exe\"  9 bytes"), std::string::npos) << out_.str();
  EXPECT_FALSE(fs::exists(dir_ / "Setup.exe.parts"));
  // A refused build takes the earlier Setup.exe away rather than leave it standing.
  Put("t.ini", std::string(kManifest) + "[Obsolete]\nFile = x\n");
  EXPECT_EQ(
      Run({"setup", (dir_ / "t.ini").string(), "--stub", (dir_ / "stub.exe").string(), "-o", exe}),
      kExitFailed);
  EXPECT_FALSE(fs::exists(exe));
  EXPECT_FALSE(fs::exists(exe + ".partial"));
}

TEST_F(MksetupCommand, WrongCommandLinesAreUsageErrors) {
  EXPECT_EQ(Run({}), kExitUsage);
  EXPECT_EQ(Run({"pack"}), kExitUsage);
  EXPECT_EQ(Run({"archive", "t.ini"}), kExitUsage);
  EXPECT_EQ(Run({"archive", "t.ini", "out", "--payload"}), kExitUsage);
  EXPECT_EQ(Run({"setup", "t.ini", "-o", "Setup.exe"}), kExitUsage);
  EXPECT_EQ(Run({"verify", "1", "2", "3", "4"}), kExitUsage);
}

TEST_F(MksetupCommand, RefusesTextsThatDoNotFit) {
  Manifest("Title = Tidemoor 0.807", "Title = " + std::string(256, 'T'));
  ExpectRefused("line 3, [Setup] Title", "256 bytes long in Windows-1252; at most 255 fit");
  Manifest("Title = Tidemoor 0.807", "Title = Tidemoor \xE4\xB8\xAD");
  ExpectRefused("[Setup] Title", "U+4E2D, which Windows-1252 cannot hold");
  Put("terms_en.txt", "ok\n" + std::string(254, 'x') + "\xE2\x82\xAC\xE2\x82\xAC\n");
  manifest_ = kManifest;
  ExpectRefused("terms_en.txt line 2", "256 bytes long");
}

TEST_F(MksetupCommand, RefusesBadSettings) {
  Manifest("InstallFolder = \\Tidemoor", "InstallFolder = Tidemoor");
  ExpectRefused("[Setup] InstallFolder", "must begin with a backslash");
  Manifest("DesktopLink = Tidemoor.lnk", "DesktopLink = Desk/Tidemoor.lnk");
  ExpectRefused("[Program] DesktopLink", "forbids");
  Manifest("Shortcut = Readme.txt, 24", "Shortcut = Readme.txt, 26");
  ExpectRefused("[Shortcuts] Shortcut", "link name id 26");
}

TEST_F(MksetupCommand, RefusesEntriesThatAreNotPayloadFiles) {
  Manifest("GermanFile = Liesmich.txt", "GermanFile = Liesmich.doc");
  ExpectRefused("[Readme] GermanFile", "\"Liesmich.doc\" is not a file of the payload");
  Manifest("File = TDMClient.exe", "File = data");
  ExpectRefused("[Program] File", "is not a file of the payload");
  Manifest("Shortcut = data/Uninstall.exe, 23", "Shortcut = Uninstall.exe, 23");
  ExpectRefused("[Shortcuts] Shortcut", "not a file of the payload");
  Manifest("File = TDMClient.exe", "File = ../TDMClient.exe");
  ExpectRefused("[Program] File", "\"..\"");
}

TEST_F(MksetupCommand, RefusesObsoleteNamesOutsideTheInstallation) {
  Manifest("Kind = Full", "Kind = Update");
  std::string update = manifest_;
  manifest_ = update + "[Obsolete]\nFile = /etc/passwd\n";
  ExpectRefused("[Obsolete] File", "is absolute");
  manifest_ = update + "[Obsolete]\nFile = C:\\Windows\\x.dll\n";
  ExpectRefused("[Obsolete] File", "drive letter");
  manifest_ = update + "[Obsolete]\nFile = data\\x.dll\n";
  ExpectRefused("[Obsolete] File", "backslash");
  manifest_ = update + "[Obsolete]\nFile = data/../../x.dll\n";
  ExpectRefused("[Obsolete] File", "\"..\"");
}

TEST_F(MksetupCommand, RefusesPayloadNamesWindowsCannotHold) {
#ifdef _WIN32
  GTEST_SKIP() << "such names cannot be created here in the first place";
#endif
  for (const char* name : {"bad?.txt", "a\\b.txt", "CON.txt", "trail.", "tab\tname"}) {
    SCOPED_TRACE(name);
    Put(std::string("payload/") + name, "x");
    ExpectRefused(name, "");
    fs::remove(dir_ / "payload" / name);
  }
  Put("payload/readme.TXT", "x");
  ExpectRefused("readme.TXT", "only in letter case");
  fs::remove(dir_ / "payload" / "readme.TXT");
  fs::create_directory(dir_ / "payload" / "nul");
  ExpectRefused("nul", "reserved device name");
}

TEST_F(MksetupCommand, RefusesPayloadsTheFormatCannotCarry) {
  // Sparse files: large on paper, nothing on disk, and never read before the refusal.
  fs::resize_file(dir_ / "payload" / "data" / "maps" / "sea.map", 0x100000000ull);
  ExpectRefused("sea.map", "at most 4 GiB - 1");
  Put("payload/data/maps/sea.map", "");
  for (int i = 0; i < 3; ++i) {
    Put("payload/part" + std::to_string(i), "");
    fs::resize_file(dir_ / "payload" / ("part" + std::to_string(i)), 80'000'001);
  }
  ExpectRefused("the payload does not fit", "more than 3 segments");
}

}  // namespace
}  // namespace mksetup
