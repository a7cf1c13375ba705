// The updater's HTTP client under Wine against nginx on 127.0.0.1 (test_server.sh) and
// odd_server.py for the answers nginx never gives.
#include "http_get_win.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "driver.h"
#include "feed_cng_win.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using updater::GetStatus;

std::string Port(const char* name) {
  std::ifstream in(driver::WinePath(std::string(TDM_TEST_SERVER_STATE "/") + name));
  std::string port;
  in >> port;
  return port;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// A port nobody listens on: the one a socket of ours had a moment ago.
std::string UnusedPort() {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  bind(s, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  closesocket(s);
  return std::to_string(ntohs(address.sin_port));
}

feed::ContentRef RefOf(const Bytes& bytes) {
  feed::ContentRef ref;
  ref.size = bytes.size();
  EXPECT_TRUE(feed::Sha256WithCng(bytes.data(), bytes.size(), ref.hash));
  return ref;
}

// A file of its own on the servers (each test its own name) and a scratch folder.
class HttpGet : public testing::Test {
 protected:
  void SetUp() override {
    name_ = testing::UnitTest::GetInstance()->current_test_info()->name();
    content_.resize(300000 + name_.size());
    std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(name_.size());
    for (std::uint8_t& b : content_) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;  // xorshift: bytes that do not compress
      b = static_cast<std::uint8_t>(x);
    }
    served_ = driver::WinePath(std::string(TDM_TEST_SERVER_WWW "/http-") + name_ + ".bin");
    WriteFile(served_, content_.data(), content_.size());
    ASSERT_TRUE(client_.Open("tidemoor-test", 5000));
  }
  void TearDown() override { DeleteFileA(served_.c_str()); }

  std::string Url(const char* server, const std::string& prefix = "") const {
    return "http://127.0.0.1:" + Port(server) + "/" + prefix + "http-" + name_ + ".bin";
  }
  std::string Local() const { return scratch_.PathOf("download.bin"); }
  void KeepPartial(std::size_t size) { WriteFile(Local(), content_.data(), size); }
  updater::FileGetResult Get(const std::string& url) {
    return client_.GetFile(url, Local(), RefOf(content_));
  }

  std::string name_;
  Bytes content_;
  std::string served_;
  driver::ScratchDirectory scratch_{"tdm-http"};
  updater::CHttpClient client_;
};

TEST_F(HttpGet, FetchesAWholeFileReportingProgress) {
  std::uint64_t last = 0;
  const auto r = client_.GetFile(Url("nginx.port"), Local(), RefOf(content_),
                                 [&](std::uint64_t onDisk) { last = onDisk; });
  EXPECT_EQ(r.status, GetStatus::kOk);
  EXPECT_EQ(r.received, content_.size());
  EXPECT_EQ(last, content_.size());
  EXPECT_EQ(ReadFile(Local()), content_);
}

TEST_F(HttpGet, ResumesACutOffDownloadWithARangeRequest) {
  KeepPartial(100000);
  const auto r = Get(Url("nginx.port"));
  EXPECT_EQ(r.status, GetStatus::kOk);
  EXPECT_EQ(r.resumedFrom, 100000u);
  EXPECT_EQ(r.received, content_.size() - 100000);
  EXPECT_EQ(ReadFile(Local()), content_);
}

TEST_F(HttpGet, OnlyVerifiesAWholeFileAlreadyThere) {
  KeepPartial(content_.size());
  const auto r = Get(Url("nginx.port"));
  EXPECT_EQ(r.status, GetStatus::kOk);
  EXPECT_TRUE(r.alreadyThere);
  EXPECT_EQ(r.received, 0u);
}

TEST_F(HttpGet, WritesTheWholeFileWhenTheServerIgnoresRange) {
  KeepPartial(100000);
  const auto r = Get(Url("nginx.port", "norange/"));
  EXPECT_EQ(r.status, GetStatus::kOk);
  EXPECT_EQ(r.resumedFrom, 0u);
  EXPECT_EQ(r.received, content_.size());
  EXPECT_EQ(ReadFile(Local()), content_);
}

TEST_F(HttpGet, KeepsOnlyTheBytesBeforeA206FromAnEarlierOffset) {
  KeepPartial(100000);
  const auto r = Get(Url("odd.port", "earlier/"));
  EXPECT_EQ(r.status, GetStatus::kOk);
  EXPECT_EQ(r.resumedFrom, 100000u - 100);
  EXPECT_EQ(ReadFile(Local()), content_);
}

TEST_F(HttpGet, StartsAgainAfterA206FromALaterOffset) {
  KeepPartial(100000);
  const auto r = Get(Url("odd.port", "later/"));
  EXPECT_EQ(r.status, GetStatus::kOk);
  EXPECT_EQ(r.resumedFrom, 0u);
  EXPECT_EQ(r.received, content_.size());
  EXPECT_EQ(ReadFile(Local()), content_);
}

TEST_F(HttpGet, DeletesAFileWhoseHashIsWrong) {
  feed::ContentRef wrong = RefOf(content_);
  wrong.hash[0] ^= 1;
  const auto r = client_.GetFile(Url("nginx.port"), Local(), wrong);
  EXPECT_EQ(r.status, GetStatus::kHashMismatch);
  EXPECT_FALSE(driver::FileExists(Local()));
}

TEST_F(HttpGet, ReportsAMissingFileAndAServerThatIsGone) {
  EXPECT_EQ(client_.GetFile(Url("nginx.port") + ".missing", Local(), RefOf(content_)).status,
            GetStatus::kNotFound);
  Bytes body;
  EXPECT_EQ(client_.GetDocument(Url("nginx.port") + ".missing", 1 << 20, body),
            GetStatus::kNotFound);
  const auto r = Get("http://127.0.0.1:" + UnusedPort() + "/http-" + name_ + ".bin");
  EXPECT_EQ(r.status, GetStatus::kNoConnection);
  EXPECT_NE(r.error, 0u);
}

TEST_F(HttpGet, GivesUpOnAServerThatStallsBeforeOrInTheBody) {
  updater::CHttpClient client;
  ASSERT_TRUE(client.Open("tidemoor-test", 1500));
  Bytes body;
  auto start = std::chrono::steady_clock::now();
  const auto seconds = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  EXPECT_EQ(
      client.GetDocument("http://127.0.0.1:" + Port("odd.port") + "/stall/index", 1 << 20, body),
      GetStatus::kNoConnection);
  EXPECT_GE(seconds(), 1.0);
  EXPECT_LT(seconds(), 10.0);
  // Cut off after the first bytes: they stay for the next try.
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.GetFile(Url("odd.port", "trickle/"), Local(), RefOf(content_)).status,
            GetStatus::kNoConnection);
  EXPECT_LT(seconds(), 10.0);
  EXPECT_EQ(ReadFile(Local()).size(), 65536u);
  EXPECT_EQ(Get(Url("nginx.port")).resumedFrom, 65536u);
}

// Followed by the client itself: at most five, relative ones too.
TEST_F(HttpGet, FollowsAtMostFiveRedirectsToHttpAndLogsEach) {
  std::vector<std::string> lines;
  client_.SetNotice([&](const std::string& line) { lines.push_back(line); });
  EXPECT_EQ(Get(Url("odd.port", "hop/5/")).status, GetStatus::kOk);
  DeleteFileA(Local().c_str());
  EXPECT_EQ(Get(Url("odd.port", "hop/6/")).status, GetStatus::kNotFound);
  EXPECT_NE(lines.at(10).find(".bin: refused: more than five"), std::string::npos);
  EXPECT_EQ(lines.size(), 11u);
}

TEST_F(HttpGet, StopsWhenCancelledAndResumesLater) {
  std::atomic<bool> cancel{false};
  const auto r = client_.GetFile(
      Url("nginx.port"), Local(), RefOf(content_), [&](std::uint64_t) { cancel = true; }, &cancel);
  EXPECT_EQ(r.status, GetStatus::kCancelled);
  const std::size_t kept = ReadFile(Local()).size();
  EXPECT_GT(kept, 0u);
  EXPECT_LT(kept, content_.size());
  const auto resumed = Get(Url("nginx.port"));
  EXPECT_EQ(resumed.status, GetStatus::kOk);
  EXPECT_EQ(resumed.resumedFrom, kept);
  EXPECT_EQ(ReadFile(Local()), content_);
}

TEST_F(HttpGet, ReadsADocumentWithinItsLimit) {
  Bytes body;
  EXPECT_EQ(client_.GetDocument(Url("nginx.port"), content_.size(), body), GetStatus::kOk);
  EXPECT_EQ(body, content_);
  EXPECT_EQ(client_.GetDocument(Url("nginx.port"), content_.size() - 1, body),
            GetStatus::kTooLarge);
  EXPECT_TRUE(body.empty());
}

}  // namespace
