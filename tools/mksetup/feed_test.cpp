// The feed: the index's round trip and refusals through libcrypto, and the publisher's
// commands on a folder, a publish killed half-way included.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <fstream>
#include <set>
#include <sstream>

#include "commands.h"
#include "embedded_programs.h"
#include "feed_crypto.h"
#include "feed_publish.h"
#include "feed_reader.h"
#include "feed_store.h"
#include "feed_writer.h"
#include "pe_resources.h"
#include "pe_test_image.h"
#include "release_description.h"
#include "release_lock.h"
#include "run_program.h"
#include "setup_exe.h"

namespace mksetup {

// The publish seam: stops the process at the n-th content file when armed.
int g_killAtContent = 0;
void OnFeedWritten(const char* step) {
  if (g_killAtContent > 0 && std::strcmp(step, "content") == 0 && --g_killAtContent == 0)
    std::raise(SIGKILL);
}

// The seam between preparing a release's program and putting it in place: runs what
// a test armed there once, as a second build would run at that moment.
std::function<void()> g_whilePrepared;
void OnReleaseProgramPrepared(const char*) {
  if (const auto run = std::exchange(g_whilePrepared, nullptr)) run();
}

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

feed::Index SampleIndex(const feed::PublicKey& key) {
  feed::Index index;
  index.product = "Tidemoor";
  index.serial = 7;
  index.issuedAt = 1'700'000'000;
  index.expiresAt = 1'800'000'000;
  index.keys = {key};
  index.mirrors = {"http://127.0.0.1:8080/feed/", "http://mirror.example/tidemoor/"};
  index.updater = {{1, 2, 3}, 40'000};
  index.updaterVersion = {807, 4};
  feed::Release release;
  release.version = {807, 4};
  release.updatesFrom = {807, 3};
  release.title = "Tidemoor 0.807.4";
  release.startMenuGroup = "Tidemoor";
  release.directories = {"data", "data/empty folder"};
  release.files = {{"TDMClient.exe", 133171776001234567ull, {{9}, 12}},
                   {"data/gr\xFC\xDF.txt", 1, {{8}, 0}}};
  release.readmeFiles = {"liesmich.txt", "readme.txt"};
  release.readmeLinks = {"Wichtige Informationen.lnk", "Important information.lnk"};
  release.programFile = "TDMClient.exe";
  release.desktopLinkName = "Tidemoor.lnk";
  release.shortcuts = {{"uninstall.exe", 25}, {"TDMClient.exe", 23}};
  release.patchNotes[1] = {{7}, 99};
  index.releases = {release, release};
  index.releases[0].version = {807, 3};
  index.forms = {{{9}, {{5}, 7}, {{{8}, {{6}, 3}}, {{4}, {{3}, 2}}}}, {{8}, {}, {}}};
  return index;
}

Bytes Signed(const SigningKey& key, const Bytes& body, const char* magic = feed::kIndexMagic) {
  const Bytes toSign = feed::ToSign(magic, key.id(), body);
  feed::Signature signature;
  std::string error;
  EXPECT_TRUE(key.Sign(toSign, signature, error)) << error;
  return feed::Seal(toSign, {signature});
}

feed::ReadProblem Read(const Bytes& file, const SigningKey& key, feed::Index& index) {
  return feed::ReadIndex(file.data(), file.size(), {Trusted(key.publicKey())}, VerifyWithLibcrypto,
                         index);
}

TEST(FeedIndex, RoundTripsAndRefusesEveryChangedByte) {
  SigningKey key, other;
  std::string error;
  ASSERT_TRUE(key.Generate(error) && other.Generate(error)) << error;
  const feed::Index sample = SampleIndex(key.publicKey());
  const Bytes file = Signed(key, feed::IndexBody(sample));
  feed::Index read;
  ASSERT_EQ(Read(file, key, read), feed::ReadProblem::kNone);
  EXPECT_EQ(read, sample);
  for (std::size_t at = 0; at < file.size(); ++at) {
    Bytes changed = file;
    changed[at] ^= 0x01;
    EXPECT_NE(Read(changed, key, read), feed::ReadProblem::kNone) << "byte " << at;
  }
  Bytes body = feed::IndexBody(sample);
  Bytes newer = body, nul = body, cut = file, longer = file, version = file;
  newer[4] = feed::kBodyVersion + 1;  // minReaderVersion
  nul[8 + 2] = 0;                     // a NUL in the product's name
  cut.pop_back();
  longer.push_back(0);
  version[8] = 3;
  const struct {
    Bytes file;
    const SigningKey* reader;
    feed::ReadProblem expected;
  } rows[] = {
      {Bytes(file.begin(), file.begin() + 20), &key, feed::ReadProblem::kTruncated},
      {cut, &key, feed::ReadProblem::kTruncated},
      {longer, &key, feed::ReadProblem::kTruncated},
      {version, &key, feed::ReadProblem::kNewerEnvelope},
      {Signed(key, body, feed::kRotationMagic), &key, feed::ReadProblem::kNotAFeed},
      {file, &other, feed::ReadProblem::kUnknownKey},
      {Signed(key, newer), &key, feed::ReadProblem::kNewerFeed},
      {Signed(key, nul), &key, feed::ReadProblem::kMalformed},
      {Signed(key, Bytes(body.begin(), body.end() - 1)), &key, feed::ReadProblem::kMalformed},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Read(row.file, *row.reader, read), row.expected) << feed::ProblemText(row.expected);
  // A body of a later version with fields after the forms reads as far as this reader
  // knows; a body 1 has no forms at all.
  feed::Index later = sample, first = sample;
  later.bodyVersion = feed::kBodyVersion + 1;
  first.bodyVersion = 1;
  Bytes laterBody = feed::IndexBody(later);
  laterBody.insert(laterBody.end(), {1, 2, 3});
  ASSERT_EQ(Read(Signed(key, laterBody), key, read), feed::ReadProblem::kNone);
  EXPECT_EQ(read, later);
  ASSERT_EQ(Read(Signed(key, feed::IndexBody(first)), key, read), feed::ReadProblem::kNone);
  EXPECT_TRUE(read.forms.empty());
}

TEST(FeedIndex, FreshnessRefusesReplayedAndExpired) {
  feed::Index index;
  index.serial = 5;
  index.expiresAt = 1000;
  const struct {
    std::uint64_t seen, now;
    feed::Freshness expected;
  } rows[] = {{0, 999, feed::Freshness::kFresh},
              {5, 999, feed::Freshness::kFresh},
              {6, 999, feed::Freshness::kReplayed},
              {4, 1000, feed::Freshness::kExpired}};
  for (const auto& row : rows)
    EXPECT_EQ(feed::CheckFreshness(index, row.seen, row.now), row.expected) << row.seen;
}

class Feed : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "payload" / "data" / "empty");
    PutClient(3);
    Put("payload/shared.dat", std::string(5000, 's'));
    Put("payload/Liesmich.txt", "lies");
    Put("payload/Readme.txt", "read");
    Put("terms.txt", "Terms\n");
    Put("r.ini", Release("807.3"));
    ASSERT_EQ(Run({"keygen", P("publisher")}), kExitOk) << err_.str();
    ASSERT_EQ(Run({"keygen", P("stranger")}), kExitOk);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Release(const std::string& version) {
    return "[Setup]\nKind = Full\nTitle = Tidemoor\nInstallFolder = \\Tidemoor\n"
           "StartMenuGroup = Tidemoor\nPackageVersion = " +
           version +
           "\nPayload = payload\n[Terms]\nGerman = terms.txt\nEnglish = terms.txt\n"
           "[Readme]\nGermanFile = Liesmich.txt\nGermanLink = L.lnk\nEnglishFile = Readme.txt\n"
           "EnglishLink = R.lnk\n[Program]\nFile = TDMClient.exe\nDesktopLink = Tidemoor.lnk\n";
  }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  // A client whose version resource says 0.807.<ls>, as the release's PackageVersion.
  void PutClient(std::uint32_t ls) {
    peres::testing::WriteFile((dir_ / "payload" / "TDMClient.exe").string(),
                              peres::testing::MakeClientImage(807, ls));
  }
  int Run(const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    return RunMksetup(args, out_, err_);
  }
  int Publish(const std::string& key = "publisher") {
    return Run({"publish", P("r.ini"), "--feed", P("feed"), "--key", P(key + ".key")});
  }
  int Verify() { return Run({"feed", "verify", P("feed"), "--pubkey", P("publisher.pub")}); }
  std::string Id(const std::string& name) const {  // of name.pub
    feed::PublicKey key{};
    std::string error;
    EXPECT_TRUE(LoadPublicKey(P(name + ".pub"), key, error)) << error;
    const feed::KeyId id = KeyIdOf(key);
    return feed::HexText(id.data(), id.size());
  }
  // Every file of the feed with its bytes.
  std::map<std::string, std::string> Contents() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir_ / "feed"))
      if (entry.is_regular_file()) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().string()] = std::string(std::istreambuf_iterator<char>(in), {});
      }
    return files;
  }
  void Flip(const fs::path& file, std::size_t at) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(static_cast<std::streamoff>(at));
    const char byte = static_cast<char>(f.get() ^ 0x20);
    f.seekp(static_cast<std::streamoff>(at));
    f.put(byte);
  }

  fs::path dir_ =
      fs::temp_directory_path() /
      ("feed-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::ostringstream out_, err_;
};

TEST_F(Feed, TwoReleasesShareFilesAndVerifyUntilAnyByteChanges) {
  ASSERT_EQ(Publish(), kExitOk) << err_.str();
  PutClient(4);
  Put("r.ini", Release("807.4"));
  ASSERT_EQ(Publish(), kExitOk) << err_.str();
  // The changed client also gets a patch from its earlier content, far smaller.
  EXPECT_NE(out_.str().find("4 release files; 1 new files stored (2048 bytes written); "
                            "1 compressed (299 bytes), 1 patches (23 bytes); serial 2"),
            std::string::npos)
      << out_.str();
  ASSERT_EQ(Verify(), kExitOk) << out_.str();
  EXPECT_NE(out_.str().find("3 compressed files (616 bytes) and 1 patches (23 bytes) decode"),
            std::string::npos)
      << out_.str();
  EXPECT_EQ(Run({"list", P("feed")}), kExitOk);
  EXPECT_NE(
      out_.str().find("release 807.4 \"Tidemoor\": 2 folders, 4 files (7056 bytes), "
                      "updates from 807.3; 2 compressed (317 bytes), 1 patches to it (23 bytes)"),
      std::string::npos)
      << out_.str();
  // Every stored file, compressed forms and patches included, has each byte checked.
  const auto files = Contents();
  for (const auto& [name, bytes] : files) {
    if (bytes.empty() || name.find(".pub") != std::string::npos) continue;
    for (std::size_t at : {std::size_t{0}, bytes.size() / 2, bytes.size() - 1}) {
      Flip(name, at);
      EXPECT_EQ(Verify(), kExitFailed) << name << " byte " << at;
      Flip(name, at);
    }
  }
  EXPECT_EQ(Verify(), kExitOk);
}

TEST_F(Feed, ACopyInOneReleaseIsStoredOnceAndNothingTemporaryStays) {
  Put("payload/data/copy.dat", std::string(5000, 's'));
  ASSERT_EQ(Publish(), kExitOk) << err_.str();
  EXPECT_NE(out_.str().find("5 release files; 4 new files stored"), std::string::npos)
      << out_.str();
  for (const auto& [name, bytes] : Contents())
    EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
  EXPECT_EQ(Verify(), kExitOk);
}

TEST_F(Feed, BadInputWritesNothing) {
  ASSERT_EQ(Publish(), kExitOk);
  const auto before = Contents();
  const struct {
    std::function<void()> arrange;
    std::string key, message;
  } rows[] = {
      {[&] { Put("payload/shared.dat", "other bytes"); }, "publisher",
       "PackageVersion 807.3 is not above the feed's newest 807.3, which has other files"},
      {[&] {
         Put("r.ini", Release("807.4"));
         PutClient(4);
       },
       "stranger", "stranger.key: does not match the key the feed is signed with"},
      {[&] { Put("r.ini", Release("807.4") + "[Shortcuts]\nGame = gone.exe\n"); }, "publisher",
       "\"gone.exe\" is not a file of the payload"},
      {[&] {
         Put("r.ini", Release("807.4"));
         Put("feed/index.tdmfeed", "not an index");
       },
       "publisher", "index.tdmfeed: is not a feed index"},
  };
  for (const auto& row : rows) {
    row.arrange();
    EXPECT_EQ(Publish(row.key), kExitFailed) << row.message;
    EXPECT_NE(err_.str().find(row.message), std::string::npos) << err_.str();
  }
  Put("feed/index.tdmfeed", before.at(P("feed/index.tdmfeed")));
  EXPECT_EQ(Contents(), before);
  fs::create_directories(dir_ / "other");
  Put("other/x", "x");
  EXPECT_EQ(Run({"publish", P("r.ini"), "--feed", P("other"), "--key", P("publisher.key")}),
            kExitFailed);
  EXPECT_NE(err_.str().find("is not a feed (it has no index.tdmfeed) and not empty"),
            std::string::npos);
}

// Publishes in a child that the seam kills at the second content file it stores.
void PublishKilled(const std::function<int()>& publish) {
  const pid_t child = fork();
  if (child == 0) {
    g_killAtContent = 2;
    publish();
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
}

TEST_F(Feed, AKilledPublishLeavesTheFeedAsItWas) {
  PublishKilled([&] { return Publish(); });  // the first: no index yet, and one may start
  EXPECT_FALSE(fs::exists(dir_ / "feed" / "index.tdmfeed"));
  ASSERT_EQ(Publish(), kExitOk) << err_.str();
  const auto before = Contents();
  PutClient(4);
  Put("payload/new.dat", "new");
  Put("r.ini", Release("807.4"));
  PublishKilled([&] { return Publish(); });
  const auto after = Contents();
  EXPECT_EQ(after.at(P("feed/index.tdmfeed")), before.at(P("feed/index.tdmfeed")));
  for (const auto& [name, bytes] : before) EXPECT_EQ(after.at(name), bytes) << name;
  EXPECT_EQ(Verify(), kExitOk);
  ASSERT_EQ(Publish(), kExitOk) << err_.str();  // and the next one goes through
}

// Rotated, a feed stays readable with the old key; an updater key that does not reach the
// feed's is refused naming both; a damaged file is stored again; a signer must be listed.
TEST_F(Feed, RefreshAndRotationKeepOldReadersAcceptingAndNoKeyLocksThemOut) {
  peres::testing::WriteFile(P("updater-src.exe"), peres::testing::MakeStubImage());
  const auto release = [&](const std::string& version, const std::string& key) {
    Put("r.ini", Release(version) + "[Updater]\nProgram = updater-src.exe\nFeed = " +
                     "http://127.0.0.1/f/\nPublicKey = " + key + ".pub\n");
  };
  const auto refusedNamingBoth = [&](int code) {
    const std::string said = err_.str() + out_.str();
    return code == kExitFailed && said.find(Id("stranger")) != std::string::npos &&
           said.find(Id("publisher")) != std::string::npos;
  };
  release("807.3", "stranger");
  EXPECT_TRUE(refusedNamingBoth(Publish())) << err_.str();  // a new feed
  release("807.3", "publisher");
  ASSERT_EQ(Publish(), kExitOk) << err_.str();
  ASSERT_EQ(Run({"feed", "refresh", P("feed"), "--key", P("publisher.key"), "--valid-days", "9"}),
            kExitOk);
  EXPECT_NE(out_.str().find("serial 2"), std::string::npos) << out_.str();
  PutClient(4);
  release("807.4", "stranger");
  EXPECT_TRUE(refusedNamingBoth(Publish())) << err_.str();
  EXPECT_TRUE(refusedNamingBoth(
      Run({"setup", P("r.ini"), "--stub", P("no.exe"), "-o", P("o.exe"), "--feed", P("feed")})))
      << err_.str();
  ASSERT_EQ(Run({"feed", "rotate", P("feed"), "--key", P("publisher.key"), "--new-key",
                 P("stranger.key")}),
            kExitOk)
      << err_.str();
  EXPECT_EQ(Verify(), kExitOk) << out_.str();  // through the rotation record
  release("807.4", "publisher");               // which the old key's release reaches too
  EXPECT_EQ(Publish(), kExitFailed);           // the old key signs no more
  for (const auto& entry : fs::recursive_directory_iterator(dir_ / "feed" / "files"))
    if (entry.is_regular_file() && entry.file_size() == 5000) Flip(entry.path(), 10);
  ASSERT_EQ(Publish("stranger"), kExitOk) << err_.str();  // the client, the damaged file
  EXPECT_NE(out_.str().find("(7048 bytes written)"), std::string::npos) << out_.str();
  const std::vector<std::string> verify = {"feed", "verify", P("feed"), "--pubkey",
                                           P("stranger.pub")};
  ASSERT_EQ(Run(verify), kExitOk) << out_.str();
  for (const auto& entry : fs::directory_iterator(dir_ / "feed" / "keys"))
    if (entry.path().extension() == ".rot") fs::remove(entry.path());
  // Without the record the old key's reader refuses, and so would its release's updater.
  EXPECT_TRUE(refusedNamingBoth(Verify()) && refusedNamingBoth(Run(verify))) << out_.str();
  SigningKey signer;
  Bytes bytes;
  feed::Index index;
  std::string error;
  ASSERT_TRUE(signer.Load(P("stranger.key"), error) &&
              ReadWholeFile(P("feed/index.tdmfeed"), bytes) &&
              Read(bytes, signer, index) == feed::ReadProblem::kNone);
  index.keys.clear();
  ASSERT_TRUE(ReplaceFile(P("feed/index.tdmfeed"), Signed(signer, feed::IndexBody(index)), error));
  EXPECT_EQ(Run({"feed", "refresh", P("feed"), "--key", P("stranger.key")}), kExitFailed);
  EXPECT_NE(err_.str().find("lacks the key that signs it"), std::string::npos) << err_.str();
}

TEST_F(Feed, TheUpdaterIsStampedLinkedAndSignedOncePerRelease) {
  peres::testing::WriteFile(P("updater-src.exe"), peres::testing::MakeStubImage());
  const std::string updater = "[Updater]\nProgram = updater-src.exe\nFeed = http://127.0.0.1/f/\n";
  const auto describe = [&](const std::string& more, archive::ArchiveDescription& d, Manifest& m) {
    Put("r.ini", Release("807.3") + updater + more);
    m = Manifest{};
    archive::ArchivePlan plan;
    std::string error;
    return ReadManifest(dir_ / "r.ini", m, error) && DescribeRelease(m, {}, d, plan, error)
               ? std::string()
               : error;
  };
  archive::ArchiveDescription d;
  Manifest m;
  ASSERT_EQ(describe("PublicKey = publisher.pub\n", d, m), "");
  ASSERT_EQ(d.files.back().name, "updater.exe");
  ASSERT_EQ(d.shortcuts.size(), 1u);
  EXPECT_EQ(d.shortcuts[0].targetFile + std::to_string(d.shortcuts[0].linkNameId), "updater.exe23");
  std::vector<std::uint8_t> url, key, product;
  const auto stamped = peres::testing::ReadFile(d.files.back().sourcePath.string());
  std::string error;
  ASSERT_TRUE(peres::ReadResource(stamped, "TDMFEED", "URL", url, error) &&
              peres::ReadResource(stamped, "TDMFEED", "KEY", key, error) &&
              peres::ReadResource(stamped, "TDMFEED", "PRODUCT", product, error))
      << error;
  EXPECT_EQ(std::string(product.begin(), product.end()), "Tidemoor");
  feed::PublicKey publicKey;
  ASSERT_TRUE(LoadPublicKey(P("publisher.pub"), publicKey, error));
  EXPECT_EQ(std::string(url.begin(), url.end()), "http://127.0.0.1/f/");
  EXPECT_TRUE(std::equal(key.begin(), key.end(), publicKey.begin(), publicKey.end()));
  ASSERT_EQ(Publish(), kExitOk) << err_.str();  // the feed names its newest updater
  ASSERT_EQ(Run({"list", P("feed")}), kExitOk);
  EXPECT_NE(out_.str().find("updater: 807.3, " + std::to_string(stamped.size()) + " bytes"),
            std::string::npos)
      << out_.str();
  const std::pair<std::string, std::string> refusals[] = {
      {"PublicKey = publisher.key\n", "[Updater] PublicKey: " + P("publisher.key") + ": is not"},
      {"PublicKey = publisher.pub\n[Shortcuts]\nGame = TDMClient.exe\n", ""},
  };
  for (const auto& [more, problem] : refusals)
    EXPECT_NE(describe(more, d, m).find(problem), std::string::npos) << more;
  EXPECT_EQ(d.shortcuts.size(), 1u) << "a Game link of the manifest's own stays";
  Put("payload/Updater.exe", "MZ");
  EXPECT_NE(describe("PublicKey = publisher.pub\n", d, m).find("already has \"Updater.exe\""),
            std::string::npos);
  fs::remove(dir_ / "payload" / "Updater.exe");

  // Signed once: a second build of the release takes the same signed bytes.
  const auto tool = [this](const std::vector<std::string>& args) {
    return RunProgram(args, P("log"));
  };
  Put("pw", "pw\n");
  ASSERT_EQ(tool({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=T",
                  "-keyout", P("k.pem"), "-out", P("c.pem")}) +
                tool({"openssl", "pkcs12", "-export", "-inkey", P("k.pem"), "-in", P("c.pem"),
                      "-passout", "file:" + P("pw"), "-out", P("c.p12")}),
            0);
  const SigningOptions signing{P("c.p12"), P("pw"), "", ""};
  ASSERT_EQ(describe("PublicKey = publisher.pub\n", d, m), "");
  ASSERT_TRUE(SignEmbeddedPrograms(m, signing, d, error)) << error;
  const fs::path signedUpdater = d.files.back().sourcePath;
  const auto first = peres::testing::ReadFile(signedUpdater.string());
  EXPECT_TRUE(IsSigned(first));
  const auto signedAt = fs::last_write_time(signedUpdater);
  ASSERT_EQ(describe("PublicKey = publisher.pub\n", d, m), "");
  ASSERT_TRUE(SignEmbeddedPrograms(m, signing, d, error)) << error;
  EXPECT_EQ(fs::last_write_time(d.files.back().sourcePath), signedAt);
  EXPECT_EQ(peres::testing::ReadFile(d.files.back().sourcePath.string()), first);
  EXPECT_EQ(d.files.back().size, first.size());
}

}  // namespace
}  // namespace mksetup

namespace mksetup {
namespace {

// The days an index has left, as feed status, list and verify tell them.
TEST(FeedExpiry, DaysLeftAndTheWarningTable) {
  constexpr std::uint64_t kDay = 86'400, kNow = 1'800'000'000;
  const struct {
    std::uint64_t expiresAt;
    std::uint32_t warnDays;
    std::int64_t days;
    bool warn;
  } rows[] = {
      {kNow + 30 * kDay, 7, 30, false},
      {kNow + 7 * kDay, 7, 7, false},
      {kNow + 7 * kDay - 1, 7, 6, true},
      {kNow + kDay, 0, 1, false},
      {kNow + 1, 0, 0, false},
      {kNow, 0, 0, true},
      {kNow - 1, 7, -1, true},
      {kNow - 3 * kDay, 7, -3, true},
      {kNow + 400 * kDay, 365, 400, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(DaysLeft(row.expiresAt, kNow), row.days) << row.expiresAt - kNow;
    EXPECT_EQ(ExpiresWithin(row.expiresAt, kNow, row.warnDays), row.warn) << row.expiresAt - kNow;
  }
}

TEST_F(Feed, StatusWarnsWithinTheDaysAskedAndListShowsTheDaysLeft) {
  ASSERT_EQ(Run({"publish", P("r.ini"), "--feed", P("feed"), "--key", P("publisher.key"),
                 "--valid-days", "5"}),
            kExitOk)
      << err_.str();
  // Five days, or four once a second has passed since the publish.
  const auto says = [this](const std::string& tail) {
    return out_.str().find("(5 days left)" + tail) != std::string::npos ||
           out_.str().find("(4 days left)" + tail) != std::string::npos;
  };
  EXPECT_EQ(Run({"feed", "status", P("feed")}), kExitFailed);
  EXPECT_TRUE(says(": within 7 days; mksetup feed refresh signs it again")) << out_.str();
  EXPECT_EQ(Run({"feed", "status", P("feed"), "--warn-days", "3"}), kExitOk);
  EXPECT_TRUE(says(": OK")) << out_.str();
  EXPECT_EQ(Run({"feed", "status", P("feed"), "--warn-days", "x"}), kExitUsage);
  ASSERT_EQ(Run({"list", P("feed")}), kExitOk);
  EXPECT_TRUE(says("")) << out_.str();
  ASSERT_EQ(Verify(), kExitOk);
  EXPECT_TRUE(says("")) << out_.str();
}

// A CI job retrying a publish that went through: the same release again changes
// nothing and succeeds, over one and over two releases.
// A patch from each distinct earlier content among the last K releases; none from the
// content itself, none where nothing changed.
TEST_F(Feed, PatchesComeFromEachDistinctEarlierContent) {
  std::string noise(5000, 0);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919) >> 3);
  Put("payload/shared.dat", noise);
  ASSERT_EQ(Publish(), kExitOk) << err_.str();
  for (const char* k : {"3", "1"}) {
    const std::uint32_t build = k[0] == '3' ? 4 : 5;
    PutClient(build);
    if (build == 5) Put("payload/shared.dat", noise.replace(2500, 3, "new"));
    Put("r.ini", Release("807." + std::to_string(build)));
    ASSERT_EQ(Run({"publish", P("r.ini"), "--feed", P("feed"), "--key", P("publisher.key"),
                   "--patch-from-releases", k}),
              kExitOk)
        << err_.str();
  }
  // 807.4: the client from 807.3's. 807.5 with K 1: the client and shared.dat from
  // 807.4's only, though shared.dat had the same content in 807.3.
  ASSERT_EQ(Run({"list", P("feed")}), kExitOk);
  EXPECT_NE(out_.str().find("807.4 \"Tidemoor\": 2 folders, 4 files (7056 bytes), updates from "
                            "807.3; 2 compressed"),
            std::string::npos);
  for (const char* line : {"807.4 \"Tidemoor\"", "807.5 \"Tidemoor\""}) {
    const std::string listed = out_.str().substr(out_.str().find(line));
    EXPECT_NE(listed.substr(0, listed.find('\n'))
                  .find(line[4] == '4' ? ", 1 patches to it" : ", 2 patches to it"),
              std::string::npos)
        << out_.str();
  }
  EXPECT_EQ(Verify(), kExitOk) << out_.str();
}

TEST_F(Feed, PublishingTheNewestReleaseAgainChangesNothing) {
  for (const char* version : {"807.3", "807.4"}) {
    if (std::string(version) == "807.4") {
      PutClient(4);
      Put("r.ini", Release(version));
    }
    ASSERT_EQ(Publish(), kExitOk) << err_.str();
    const auto before = Contents();
    ASSERT_EQ(Publish(), kExitOk) << err_.str();
    EXPECT_NE(out_.str().find("unchanged: " + std::string(version) +
                              " is the feed's newest release already"),
              std::string::npos)
        << out_.str();
    EXPECT_EQ(Contents(), before) << version;
  }
  EXPECT_EQ(Verify(), kExitOk);
  // Another description under the same version is no retry.
  Put("r.ini", Release("807.4") + "[Shortcuts]\nShortcut = Readme.txt, 24\n");
  EXPECT_EQ(Publish(), kExitFailed);
  EXPECT_NE(err_.str().find("807.4, which has other files"), std::string::npos) << err_.str();
}

// A release with an updater that no link starts is published, with a note saying so.
TEST_F(Feed, AnUpdaterNoLinkStartsIsNoted) {
  peres::testing::WriteFile(P("updater-src.exe"), peres::testing::MakeStubImage());
  const std::string updater =
      "[Updater]\nProgram = updater-src.exe\nFeed = http://127.0.0.1/f/\nPublicKey = "
      "publisher.pub\n";
  const std::string note = "note: no link starts updater.exe";
  Put("r.ini", Release("807.3") + updater);  // the game's link then starts the updater
  ASSERT_EQ(Publish(), kExitOk) << err_.str();
  EXPECT_EQ(out_.str().find(note), std::string::npos) << out_.str();
  PutClient(4);
  Put("r.ini", Release("807.4") + updater + "[Shortcuts]\nGame = TDMClient.exe\n");
  ASSERT_EQ(Publish(), kExitOk) << err_.str();
  EXPECT_NE(out_.str().find(note), std::string::npos) << out_.str();
}

TEST_F(Feed, TwoBuildsOfOneReleaseAtOnceBothSucceedWithTheSameBytes) {
  peres::testing::WriteFile(P("updater-src.exe"), peres::testing::MakeStubImage());
  peres::testing::WriteFile(P("stub"), peres::testing::MakeStubImage());
  Put("r.ini", Release("807.3") +
                   "[Updater]\nProgram = updater-src.exe\nFeed = http://127.0.0.1/f/\n"
                   "PublicKey = publisher.pub\n");
  const auto build = [this](const std::string& output, std::ostream& out, std::ostream& err) {
    return RunMksetup({"setup", P("r.ini"), "--stub", P("stub"), "-o", P(output)}, out, err);
  };
  // The first build has stamped its updater and not yet put it in place when the
  // second one builds the whole release.
  std::ostringstream secondOut, secondErr;
  int second = -1;
  g_whilePrepared = [&] { second = build("second.exe", secondOut, secondErr); };
  ASSERT_EQ(build("first.exe", out_, err_), kExitOk) << err_.str();
  ASSERT_EQ(second, kExitOk) << secondErr.str();
  const auto first = peres::testing::ReadFile(P("first.exe"));
  EXPECT_EQ(first, peres::testing::ReadFile(P("second.exe")));
  // Once more on the prepared folder as the two left it: the same bytes again.
  ASSERT_EQ(build("third.exe", out_, err_), kExitOk) << err_.str();
  EXPECT_EQ(peres::testing::ReadFile(P("third.exe")), first);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir_ / "release-0.807.3"))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"updater.exe"}) << "no preparation folder stays";
}

// Prune keeps exactly what the kept releases and the index before it name: a player
// mid-update by that index still finds its files.
TEST_F(Feed, PruneKeepsWhatTheKeptReleasesAndThePreviousIndexName) {
  const auto stored = [&] {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir_ / "feed" / kContentFolder))
      if (entry.is_regular_file()) names.insert(entry.path().filename().string());
    return names;
  };
  const auto prune = [&](const char* keep) {
    return Run({"feed", "prune", P("feed"), "--key", P("publisher.key"), "--keep", keep});
  };
  feed::Hash first{};  // the client only 0.807.3 has
  std::uint64_t size = 0;
  for (std::uint32_t ls : {3u, 4u, 5u}) {
    PutClient(ls);
    ASSERT_TRUE(ls > 3 || Sha256File(P("payload/TDMClient.exe"), first, size));
    Put("r.ini", Release("807." + std::to_string(ls)));
    ASSERT_EQ(Publish(), kExitOk) << err_.str();
  }
  std::set<std::string> named = stored();
  Put("feed/files/ff/" + std::string(64, 'f'), "left by a publish that was stopped");
  ASSERT_EQ(prune("2"), kExitOk) << err_.str();
  EXPECT_EQ(stored(), named) << out_.str();  // 0.807.3's client too: the index before names it
  ASSERT_EQ(prune("1"), kExitOk) << err_.str();
  // 0.807.3's client goes with its compressed form, and the patches from it with the
  // next prune: the index no longer lists them, so verify needs none of them.
  const std::string gone = feed::HexText(first.data(), first.size());
  named.erase(gone);
  named.erase(gone + ".zst");
  EXPECT_EQ(stored(), named);
  EXPECT_EQ(Verify() + prune("0"), kExitOk + kExitUsage) << err_.str();
  ASSERT_EQ(prune("1"), kExitOk) << err_.str();
  for (const auto& entry : fs::recursive_directory_iterator(dir_ / "feed" / "patches"))
    EXPECT_FALSE(entry.path().filename().string().starts_with(gone)) << entry.path();
}

}  // namespace
}  // namespace mksetup
