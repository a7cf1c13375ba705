#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "archive_walk.h"
#include "commands.h"
#include "file_sha256.h"
#include "icon_file.h"
#include "manifest.h"
#include "pe_test_image.h"
#include "run_program.h"
#include "segment_files.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace mksetup {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// An icon file of one 1x1 32-bit bitmap: a 6-byte header, one 16-byte entry, 48 image bytes.
std::string TestIcon() {
  const std::string image = std::string("\x28\0\0\0\1\0\0\0\2\0\0\0\1\0\x20\0", 16) +
                            std::string(24, '\0') + "\x11\x22\x33\xFF" + std::string(4, '\0');
  return std::string("\0\0\1\0\1\0\1\1\0\0\1\0\x20\0\x30\0\0\0\x16\0\0\0", 22) + image;
}

std::string Split(const std::string& file, IconResources& icon) {
  std::string error;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
  return SplitIconFile({bytes, file.size()}, icon, error) ? "split" : error;
}

TEST(IconFile, BecomesAGroupOfNumberedImagesOrIsRefused) {
  IconResources icon;
  ASSERT_EQ(Split(TestIcon(), icon), "split");
  ASSERT_EQ(icon.images.size(), 1u);
  EXPECT_EQ(std::string(icon.images[0].begin(), icon.images[0].end()), TestIcon().substr(22));
  // The entry as in the file, its 4-byte file offset replaced by the 2-byte image id 1.
  EXPECT_EQ(std::string(icon.group.begin(), icon.group.end()),
            std::string("\0\0\1\0\1\0\1\1\0\0\1\0\x20\0\x30\0\0\0\1\0", 20));
  const struct {
    std::size_t at;
    char byte;
    const char* problem;
  } rows[] = {
      {2, '\2', "is not an icon file"},               // a cursor file
      {4, '\0', "without images"},                    // count 0
      {4, '\x09', "cut-off image list"},              // more entries than bytes
      {18, '\x17', "image 1 of the icon file lies"},  // ends one byte past the file
      {22, '\x29', "neither a bitmap nor a PNG"},     // header size 41
  };
  for (const auto& row : rows) {
    std::string file = TestIcon();
    file[row.at] = row.byte;
    EXPECT_NE(Split(file, icon).find(row.problem), std::string::npos) << row.problem;
  }
  std::string png = TestIcon().substr(0, 22) + "\x89PNG\r\n\x1A\n" + std::string(40, 'p');
  EXPECT_EQ(Split(png, icon), "split");
}

const char kManifest[] =
    "[Setup]\nKind = Full\nTitle = Tidemoor 0.807\nInstallFolder = \\Tidemoor\n"
    "StartMenuGroup = Tidemoor \xC3\x9C\nPackageVersion = 807.3\nPayload = payload\n"
    "[Terms]\nGerman = terms_de.txt\nEnglish = terms_en.txt\n[Readme]\nGermanFile = Liesmich.txt\n"
    "GermanLink = Liesmich.lnk\nEnglishFile = Readme.txt\nEnglishLink = Readme.lnk\n"
    "[Program]\nFile = TDMClient.exe\nDesktopLink = Tidemoor.lnk\n"
    "[Shortcuts]\nUninstaller = data/Uninstall.exe\nGame = TDMClient.exe\nSettings = Readme.txt\n";

class MksetupCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "payload" / "data" / "maps");
    fs::create_directories(dir_ / "payload" / "empty");
    for (const char* name : {"Liesmich.txt", "Readme.txt", "data/Uninstall.exe"})
      Put(std::string("payload/") + name, name);
    peres::testing::WriteFile(P("payload/TDMClient.exe"), peres::testing::MakeClientImage(807, 3));
    Put("u.exe", "uninstaller");
    Put("payload/data/maps/sea.map", std::string(70'000, '\x7F'));
    Put("payload/data/maps/zero.map", "");
    Put("terms_de.txt", "\xEF\xBB\xBFNutzungsbedingungen\r\n\r\n\xC3\x84nderungen\r\n");
    Put("terms_en.txt", "Terms of use\n");
    Put("t.ini", kManifest);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  int Run(const Args& args) {
    out_.str("");
    err_.str("");
    return RunMksetup(args, out_, err_);
  }
  bool Said(const std::string& piece) const {
    return (out_.str() + err_.str()).find(piece) != std::string::npos;
  }
  int Archive() { return Run({"archive", P("t.ini"), P("out")}); }
  int Setup(Args more) {
    more.insert(more.begin(), {"setup", P("t.ini"), "--stub", P("stub"), "-o", P("Setup.exe")});
    return Run(more);
  }
  Args Segments() const {
    Args files;
    for (int n = 1; n <= 3; ++n) files.push_back(SegmentFilePath(dir_ / "out", n).string());
    return files;
  }
  void Change(const std::string& from, const std::string& to, const std::string& tail = "") {
    std::string text = kManifest;
    ASSERT_NE(text.find(from), std::string::npos) << from;
    Put("t.ini", text.replace(text.find(from), from.size(), to) + tail);
  }
  // A refused build says where and what, and leaves no segment, not even an earlier one.
  void ExpectRefused(const std::string& where, const std::string& problem) {
    fs::create_directories(dir_ / "out");
    for (const std::string& segment : Segments()) Put(segment, "earlier");
    EXPECT_EQ(Archive(), kExitFailed);
    EXPECT_TRUE(Said(where) && Said(problem)) << err_.str();
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
    Put("t.ini", kManifest);
  }

  // Unique per run: other checkouts on the machine run these tests at the same time.
  fs::path dir_ =
      fs::temp_directory_path() /
      ("mksetup-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::ostringstream out_, err_;

  std::string Contents(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return fs::is_regular_file(dir_ / name) ? std::string(std::istreambuf_iterator<char>(in), {})
                                            : "";
  }
  auto Strays() const {  // files a build left beside Setup.exe
    return std::count_if(fs::directory_iterator(dir_), {}, [](const fs::directory_entry& e) {
      return e.path().filename().string().starts_with("Setup.exe.");
    });
  }
};

struct Collected final : archive::ArchiveVisitor {
  Args seen;  // directories, terms lines, files with their first bytes
  void OnDirectory(const char* name) override { seen.push_back(name + std::string("/")); }
  void OnTermsLine(std::uint32_t, const char* line) override { seen.push_back(line); }
  void OnFile(const archive::FileRecord& f, int) override {
    seen.push_back(f.name + std::string("=") +
                   std::string(reinterpret_cast<const char*>(f.data), std::min(f.size, 9u)));
  }
};

TEST_F(MksetupCommand, ArchiveRoundTripsThePayload) {
  using namespace std::chrono;
  fs::last_write_time(dir_ / "payload" / "TDMClient.exe",
                      file_clock::from_sys(sys_days(year(2024) / 2 / 29) + 23h + 5min + 42s));
  ASSERT_EQ(Archive(), kExitOk) << err_.str();
  std::vector<MappedFile> maps;
  ArchiveSegments segments;
  std::string error;
  const Args files = Segments();
  ASSERT_TRUE(MapSegmentFiles({files.begin(), files.end()}, maps, segments, error)) << error;
  Collected c;
  ASSERT_TRUE(archive::WalkArchive(segments.Views(), c).ok);
  maps.clear();  // Windows renames no mapped file
  EXPECT_EQ(c.seen, (Args{"Nutzungsbedingungen", "", "\xC4nderungen", "Terms of use", "data/",
                          "data/maps/", "empty/", "Liesmich.txt=Liesmich.", "Readme.txt=Readme.tx",
                          "TDMClient.exe=MZ" + std::string(7, '\0'), "data/Uninstall.exe=data/Unin",
                          "data/maps/sea.map=" + std::string(9, '\x7F'), "data/maps/zero.map="}));
  EXPECT_EQ(Run({"list", files[0], files[1], files[2]}), kExitOk);
  for (const char* line : {"\"TDMClient.exe\"  2048 bytes  2024-02-29 23:05:42 UTC",
                           "group: \"Tidemoor \xC3\x9C\"",  // listed as UTF-8
                           "shortcut: \"data/Uninstall.exe\", link name id 25\n"
                           "shortcut: \"TDMClient.exe\", link name id 23\n"
                           "shortcut: \"Readme.txt\", link name id 24\n"})
    EXPECT_TRUE(Said(line)) << line << "\n" << out_.str();
  EXPECT_EQ(Run({"verify", files[0], files[1], files[2]}), kExitOk);
  EXPECT_EQ(out_.str(), "OK\n");
  std::fstream(files[0], std::ios::in | std::ios::out | std::ios::binary).seekp(2000).put('\1');
  EXPECT_EQ(Run({"verify", files[0], files[1], files[2]}), kExitFailed);
  EXPECT_TRUE(Said("BAD: segment 1 stores checksum")) << out_.str();
  EXPECT_EQ(Run({"verify", files[0]}), kExitFailed);  // a Full archive without segments 2, 3
  EXPECT_EQ(Run({"verify", P("terms_en.txt")}), kExitFailed);
  EXPECT_TRUE(Said("BAD: not an installer or setup archive")) << out_.str();
  Change("Kind = Full", "Kind = Update", "[Uninstall]\nProgram = u.exe\n");  // one: the others go
  ASSERT_EQ(Archive(), kExitOk) << err_.str();
  EXPECT_TRUE(fs::exists(files[0]) && !fs::exists(files[1]) && !fs::exists(files[2]));
}

// A secret reaches the program through a pipe, never a file.
TEST_F(MksetupCommand, ProgramsReadASecretFromAPipe) {
  const std::string secret = "pw";
#ifdef _WIN32
  const Args reader = {"cmd", "/c", "type", kSecretArgument}, read = {"pw"};
#else
  const Args reader = {"sh", "-c", "cat $0; test -p $0 && echo :pipe", kSecretArgument},
             read = {"pw:pipe\n"};
#endif
  EXPECT_EQ(RunProgram(reader, P("log"), &secret), 0);
  EXPECT_EQ(Contents("log"), read[0]);
  std::error_code code;  // under Wine, cmd's console may hold the log a moment longer
  for (int wait = 0; wait < 100 && !fs::remove(P("log"), code); ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

TEST_F(MksetupCommand, CommandLines) {
  const struct {
    Args args;
    int code;
    const char* said;
  } rows[] = {
      {{"-h"}, kExitOk, "usage: mksetup archive"},
      {{"pack"}, kExitUsage, "unknown command pack"},
      {{"archive", "t.ini", "out", "--payload"}, kExitUsage, "--payload needs one value"},
      {{"setup", "t", "--stub", "s", "-o", "o", "--password-env", "V"}, kExitUsage, "with --sign"},
      {{"setup", "t", "-o", "o"}, kExitUsage, "setup needs --stub <SetupStub.exe>\nusage:"},
      {{"setup", "t", "--stub", "s"}, kExitUsage, "setup needs -o <Setup.exe>\nusage:"},
      {{"setup", "--help"}, kExitOk, "usage: mksetup archive"},
      // The whole usage after the reason, whichever command's option was wrong.
      {{"publish", "r.ini", "--bogus"}, kExitUsage, "for publish\nusage: mksetup archive"},
      {{"publish", "r.ini", "--bogus"}, kExitUsage, "       mksetup feed verify DIR"},
      {{"feed", "verify", "--key"}, kExitUsage, "needs one value\nusage: mksetup archive"},
      {{"setup", "t", "-o", "o"}, kExitUsage, "       mksetup publish <NEW.ini>"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Run(row.args), row.code) << row.said;
    EXPECT_TRUE(Said(row.said) && (row.code == kExitOk ? err_ : out_).str().empty()) << row.said;
  }
}

TEST_F(MksetupCommand, RefusesWhatTheArchiveCannotCarry) {
  const struct {
    std::string from, to, tail, where, problem;
  } rows[] = {
      {"Tidemoor 0.807", "T\xE4\xB8\xAD", "", "line 3, [Setup] Title",
       "U+4E2D, which Windows-1252"},
      {"= Liesmich.txt", "= L.doc", "", "[Readme] GermanFile",
       "\"L.doc\" is not a file of the payload"},
      {"= TDMClient.exe\nD", "= data\nD", "", "[Program] File", "is not a file of the payload"},
      {"= payload", "= elsewhere", "", "payload", "payload folder does not exist"},
      {"Tidemoor 0.807", std::string(256, 'T'), "", "[Setup] Title",
       "256 bytes long in Windows-1252; at most 255 fit"},
      {"Kind = Full", "Kind = Update",
       "[Obsolete]\nFile = C:\\x.dll\n[Uninstall]\nProgram = u.exe\n", "[Obsolete] File",
       "drive letter"},
      {"= 807.3", "= 807.4", "", "line 6, [Setup] PackageVersion",
       "TDMClient.exe carries product version 807.3, not 807.4"},
  };
  for (const auto& row : rows) {
    Change(row.from, row.to, row.tail);
    ExpectRefused(row.where, row.problem);
  }
  Change("Tidemoor 0.807", std::string(255, 'T'));
  EXPECT_EQ(Archive(), kExitOk) << err_.str();
  Put("terms_en.txt", "ok\n" + std::string(254, 'x') + "\xE2\x82\xAC\xE2\x82\xAC\n");
  ExpectRefused("terms_en.txt line 2", "256 bytes long");
}

#ifndef _WIN32  // such names cannot be created on Windows; openssl and osslsigncode are Linux tools
TEST_F(MksetupCommand, RefusesPayloadsTheFormatCannotCarry) {
  Put("payload/readme.TXT", "x");
  ExpectRefused("readme.TXT", "only in letter case");
  fs::remove(dir_ / "payload" / "readme.TXT");
  // Sparse files: large on paper, nothing on disk, never read before the refusal.
  fs::resize_file(dir_ / "payload" / "data" / "maps" / "sea.map", 0x100000000ull);
  ExpectRefused("sea.map", "at most 4 GiB - 1");
  Put("payload/data/maps/sea.map", "");
  for (const char* name : {"payload/p0", "payload/p1", "payload/p2"}) {
    Put(name, "");  // each ends a segment; what follows the last would need a fourth
    fs::resize_file(dir_ / name, 80'000'001);
  }
  ExpectRefused("the payload does not fit", "more than 3 segments");
  for (const char* name : {"payload/p0", "payload/p1", "payload/p2"}) fs::remove(dir_ / name);
  const std::pair<std::string, const char*> links[] = {
      {"/etc/passwd", "leads outside the payload, to /etc/passwd"},
      {"/etc", "leads outside the payload, to /etc"},
      {P("payload"), "a link to a folder that holds it"},
      {"gone", "a link whose target cannot be found"},
      {"maps", ""},
      {"../Readme.txt", ""}};
  for (const auto& [target, problem] : links) {
    fs::create_symlink(target, P("payload/data/link"));
    if (*problem) ExpectRefused(P("payload/data/link") + ": ", problem);
    EXPECT_TRUE(*problem || Archive() == kExitOk) << err_.str();
    fs::remove(P("payload/data/link"));
  }
}

// An output that is an input, by any name, or a folder is refused before anything is
// written; a build killed midway leaves the earlier Setup.exe and its own folder only.
TEST_F(MksetupCommand, OutputsAreRefusedOrReplacedWhole) {
  peres::testing::WriteFile(P("stub"), peres::testing::MakeStubImage());
  fs::create_hard_link(dir_ / "payload" / "Readme.txt", dir_ / "alias.exe");
  fs::create_directory(dir_ / "folder");
  for (const char* output :
       {"stub", "t.ini", "terms_en.txt", "payload/data/maps/sea.map", "alias.exe", "folder"}) {
    const std::string before = Contents(output);
    EXPECT_EQ(Run({"setup", P("t.ini"), "--stub", P("stub"), "-o", P(output)}), kExitFailed);
    EXPECT_TRUE((Said(": is a folder") || Said("which this build reads")) &&
                Contents(output) == before && Strays() == 0)
        << err_.str();
  }
  // A folder that is not there is named as the publisher named it.
  EXPECT_EQ(Run({"setup", P("t.ini"), "--stub", P("stub"), "-o", P("nodir/Setup.exe")}),
            kExitFailed);
  EXPECT_TRUE(Said(P("nodir") + ": no such folder to write Setup.exe in") && !Said(".tmp"))
      << err_.str();
  Put("payload/ID_SETUPFILE1.bin", "mine");
  EXPECT_EQ(Run({"archive", P("t.ini"), P("payload")}), kExitFailed);
  EXPECT_TRUE(fs::is_empty(P("folder")) && Contents("payload/ID_SETUPFILE1.bin") == "mine");
  fs::remove(P("payload/ID_SETUPFILE1.bin"));
  Put("Setup.exe", "the earlier installer");
  fs::resize_file(P("payload/data/maps/sea.map"), 200'000'000);
  const pid_t child = fork();
  if (child == 0) _exit(Setup({}));
  bool building = false;  // a segment being written in the build's own folder
  for (int wait = 0; !building && wait < 20'000; ++wait, usleep(1000))
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
      building |= entry.path().extension() == ".partial" && entry.file_size() > 1'000'000;
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(building && WIFSIGNALED(status) && Strays() == 1);  // its folder, named afresh
  EXPECT_EQ(Contents("Setup.exe"), "the earlier installer");
}

TEST_F(MksetupCommand, SetupSignsAndCarriesTheIcon) {
  const auto tool = [this](const Args& args) { return RunProgram(args, P("log")); };
  Put("pw", "pw\n");
  ASSERT_EQ(tool({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Test",
                  "-keyout", P("key.pem"), "-out", P("cert.pem")}) +
                tool({"openssl", "pkcs12", "-export", "-inkey", P("key.pem"), "-in", P("cert.pem"),
                      "-passout", "file:" + P("pw"), "-out", P("cert.p12")}),
            0);
  peres::testing::WriteFile(P("stub"), peres::testing::MakeStubImage());
  Put("setup.ico", TestIcon());
  Change("Payload = payload", "Payload = payload\nIcon = setup.ico");
  setenv("TDM_TEST_PASSWORD", "pw", 1);
  const Args signing = {"--sign", P("cert.p12"), "--password-env", "TDM_TEST_PASSWORD"};
  ASSERT_EQ(Setup(signing), kExitOk) << err_.str();
  EXPECT_TRUE(Said(" with 3 archive segments, signed\n") && !fs::exists(P("Setup.exe.parts")));
  EXPECT_EQ(Run({"verify", P("Setup.exe"), "--ca", P("cert.pem")}), kExitOk);
  EXPECT_EQ(out_.str(), "signature: valid, signed by /CN=Test\nOK\n");
  EXPECT_EQ(Run({"verify", P("Setup.exe")}), kExitFailed);
  EXPECT_TRUE(Said("not trusted: self-signed certificate"));
  EXPECT_EQ(Run({"list", P("Setup.exe")}), kExitOk);
  EXPECT_TRUE(Said("icon: 1x1 32-bit 48 bytes\nsignature: present")) << out_.str();
  // One byte changed in a stub resource, which the archive's checksum does not cover.
  auto image = peres::testing::ReadFile(P("Setup.exe"));
  const std::string keep = peres::testing::kKeepData;
  *std::search(image.begin(), image.end(), keep.begin(), keep.end()) ^= 1;
  peres::testing::WriteFile(P("Setup.exe"), image);
  EXPECT_EQ(Run({"verify", P("Setup.exe"), "--ca", P("cert.pem")}), kExitFailed);
  EXPECT_EQ(out_.str(), "BAD: signature: the file was changed after it was signed\n");
  // Failed signing leaves the earlier Setup.exe as it was, and nothing beside it.
  const std::string earlier = Contents("Setup.exe");
  const std::pair<Args, std::string> failures[] = {
      {{"--sign", P("cert.p12"), "--password-file", P("key.pem")},
       "signing failed: Failed to parse PKCS#12"},
      {{"--sign", P("cert.p12"), "--password-env", "TDM_TEST_UNSET"}, "TDM_TEST_UNSET is not set"},
      {{"--sign", P("none.p12")}, "none.p12 cannot be read"}};
  for (const auto& [options, error] : failures) {
    EXPECT_EQ(Setup(options), kExitFailed);
    EXPECT_TRUE(Said(error) && Contents("Setup.exe") == earlier && Strays() == 0) << err_.str();
  }
  Put("setup.ico", "MZ");
  EXPECT_EQ(Setup({}), kExitFailed);
  EXPECT_TRUE(Said("[Setup] Icon: " + P("setup.ico") + " is not an icon file")) << err_.str();
}

// The README's example manifest builds, with the shortcuts it names.
TEST_F(MksetupCommand, TheReadmeExampleBuilds) {
  std::ifstream readme(TDM_README);
  const std::string text((std::istreambuf_iterator<char>(readme)), {});
  const std::size_t start = text.find("```ini\n") + 7;
  std::string manifest = text.substr(start, text.find("```", start) - start);
  // The uninstaller the example names lives in a build tree: here a stand-in.
  const std::string program = "Program = ../build/windows/_uninstall/uninstall.exe";
  Put("t.ini", manifest.replace(manifest.find(program), program.size(), "Program = u.exe"));
  Put("u.exe", "uninstaller");
  Put("payload/TDMOptions.exe", "TDMOptions.exe");
  ASSERT_EQ(Archive(), kExitOk) << err_.str();
  EXPECT_EQ(Run({"list", Segments()[0]}), kExitOk);
  EXPECT_TRUE(
      Said("shortcut: \"uninstall.exe\", link name id 25\n"
           "shortcut: \"TDMClient.exe\", link name id 23\n"
           "shortcut: \"TDMOptions.exe\", link name id 24\n"))
      << out_.str();
}
#endif

// The algorithm's own test vector, in either tree's implementation (libcrypto, CNG).
TEST(FileSha256, OfAbc) {
  const fs::path file = fs::temp_directory_path() / "mksetup-sha256-abc";
  std::ofstream(file, std::ios::binary) << "abc";
  std::string hex, error;
  ASSERT_TRUE(FileSha256(file, hex, error)) << error;
  EXPECT_EQ(hex, "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
  fs::remove(file);
}

#ifndef _WIN32  // sha256sum and python3 are Linux tools
std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every leaf of the YAML files in a folder as "file.path=value", through python3's yaml.
constexpr char kFlattenYaml[] = R"(import os, sys, yaml
def flat(path, v):
    if isinstance(v, dict): [flat(path + '.' + k, v[k]) for k in v]
    elif isinstance(v, list): [flat(path + '[%d]' % i, x) for i, x in enumerate(v)]
    else: print('%s=%s' % (path, v))
for name in sorted(os.listdir(sys.argv[1])):
    flat(name[:-5], yaml.safe_load(open(os.path.join(sys.argv[1], name), encoding='utf-8'))))";

TEST_F(MksetupCommand, WingetManifestsDescribeTheBuiltInstaller) {
  peres::testing::WriteFile(P("stub"), peres::testing::MakeStubImage());
  Change("PackageVersion = 807.3\n",
         "PackageVersion = 807.3\nPublisher = O'Hara & K\xC3\xB6hler: Spiele\n"
         "URLInfoAbout = https://tidemoor.example/about\n");
  ASSERT_EQ(Setup({}), kExitOk) << err_.str();
  const Args winget = {"winget",        P("Setup.exe"), "--id",
                       "Tide.Moor",     "--url",        "https://dl.example/Setup.exe",
                       "--license",     "Proprietary",  "--description",
                       "Ships: at sea", "-o",           P("winget")};
  ASSERT_EQ(Run(winget), kExitOk) << err_.str();
  ASSERT_EQ(RunProgram({"sha256sum", P("Setup.exe")}, P("sum.txt")), 0);
  std::string sha = Read(P("sum.txt")).substr(0, 64);
  for (char& c : sha) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_EQ(RunProgram({"python3", "-c", kFlattenYaml, P("winget")}, P("yaml.txt")), 0)
      << Read(P("yaml.txt"));
  const std::string yaml = Read(P("yaml.txt"));
  const std::string at = "Tide.Moor.installer.";
  std::vector<std::string> want = {
      "Tide.Moor.DefaultLocale=en-US",
      "Tide.Moor.ManifestType=version",
      "Tide.Moor.locale.en-US.Publisher=O'Hara & K\xC3\xB6hler: Spiele",
      "Tide.Moor.locale.en-US.PublisherUrl=https://tidemoor.example/about",
      "Tide.Moor.locale.en-US.PackageName=Tidemoor",
      "Tide.Moor.locale.en-US.License=Proprietary",
      "Tide.Moor.locale.en-US.ShortDescription=Ships: at sea",
      "Tide.Moor.locale.en-US.ManifestType=defaultLocale",
      at + "ProductCode=Tidemoor",
      at + "UpgradeBehavior=uninstallPrevious",
      at + "AppsAndFeaturesEntries[0].DisplayVersion=0.807.3",
      at + "AppsAndFeaturesEntries[0].Publisher=O'Hara & K\xC3\xB6hler: Spiele",
      at + "ExpectedReturnCodes[1].InstallerReturnCode=1618",
      at + "ExpectedReturnCodes[1].ReturnResponse=installInProgress",
      at + "ExpectedReturnCodes[2].InstallerReturnCode=1638",
      at + "ExpectedReturnCodes[8].InstallerReturnCode=1639",
      at + "ManifestType=installer"};
  for (const char* scope : {"[0].Scope=user", "[1].Scope=machine"})
    want.push_back(at + "Installers" + scope);
  for (const std::string& installer : Args{"[0].", "[1]."})
    for (const std::string& leaf :
         Args{"Architecture=x64", "InstallerUrl=https://dl.example/Setup.exe",
              "InstallerSha256=" + sha, "InstallerSwitches.Silent=/S",
              "InstallerSwitches.SilentWithProgress=/SILENT",
              "InstallerSwitches.InstallLocation=/DIR=\"<INSTALLPATH>\"",
              "InstallerSwitches.Log=/LOG=\"<LOGPATH>\""})
      want.push_back(at + "Installers" + installer + leaf);
  want.push_back(at + "Installers[1].ElevationRequirement=elevationRequired");
  for (const char* file : {"Tide.Moor", "Tide.Moor.installer", "Tide.Moor.locale.en-US"})
    for (const char* leaf :
         {".PackageIdentifier=Tide.Moor", ".PackageVersion=0.807.3", ".ManifestVersion=1.28.0"})
      want.push_back(file + std::string(leaf));
  for (const std::string& line : want) EXPECT_NE(yaml.find(line + "\n"), std::string::npos) << line;
  // No publisher, no package manager entry; an update is no package of its own.
  Put("t.ini", kManifest);
  ASSERT_EQ(Setup({}), kExitOk);
  EXPECT_EQ(Run(winget), kExitFailed);
  EXPECT_TRUE(Said("[Setup] Publisher")) << err_.str();
}
#endif

}  // namespace
}  // namespace mksetup
