// An archive of three segments, each of the first two carrying more than 80,000,000
// bytes of file data: every file comes out whole, and the reader changes segment
// exactly where the writer did.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "install_test_support.h"
#include "s_logging.h"

namespace setup_test {
namespace {

constexpr std::uint32_t kLimit = archive::SEGMENT_DATA_LIMIT;

// One buffer that every large file borrows a stretch of; no two stretches alike.
const std::vector<std::uint8_t>& Pattern() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> b(kLimit + 2);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return b;
  }();
  return bytes;
}

archive::WriterFile Stretch(const std::string& name, std::size_t offset, std::uint32_t size) {
  archive::WriterFile file;
  file.name = name;
  file.fileTime = kFileTime;
  file.size = size;
  file.bytes = {Pattern().data() + offset, size};
  return file;
}

bool SameBytes(const std::string& path, const archive::WriterFile& file) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<char> buffer(1 << 20);
  std::size_t at = 0;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (at + got > file.bytes.size()) return false;
    if (std::memcmp(buffer.data(), file.bytes.data() + at, got) != 0) return false;
    at += got;
  }
  return at == file.bytes.size();
}

class InstallSegments : public InstallTest {
 protected:
  void TearDown() override {
    CLog::FreeInstance();
    InstallTest::TearDown();
  }
};

TEST_F(InstallSegments, FilesContinueAcrossThreeSegments) {
  archive::ArchiveDescription release = TestRelease();
  release.files = {// Segment 1: these two end exactly on the limit, so the reader stays...
                   Stretch("first.bin", 0, kLimit / 2), Stretch("second.bin", 1, kLimit / 2),
                   // ...and this one takes it one byte above: segment 2 follows.
                   Stretch("third.bin", 2, 1),
                   // Segment 2: above the limit on its own; segment 3 follows.
                   Stretch("fourth.bin", 2, kLimit + 1),
                   // Segment 3, with the rest of the stream.
                   TestFile("docs/readme.txt", "Read me"), TestFile("TDMClient.exe", "client")};
  release.directories = {"docs"};
  Open(release);
  ASSERT_TRUE(setup_->segments[2].present());

  const std::string logPath = root_ + "\\setup.log";
  CLog::Instance()->Open(1, logPath.c_str());
  ASSERT_TRUE(Install(Dir()));
  for (const archive::WriterFile& file : release.files)
    EXPECT_TRUE(SameBytes(Dir() + "\\" + file.name, file)) << file.name;

  CLog::FreeInstance();
  std::ifstream in(logPath, std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto third = log.find("create file: " + Dir() + "\\third.bin");
  const auto firstEnd = log.find(" : 1 : end of resource");
  const auto toTwo = log.find(" : 1 : changing to resource 2");
  const auto fourth = log.find("create file: " + Dir() + "\\fourth.bin");
  const auto secondEnd = log.find(" : 1 : end of resource", firstEnd + 1);
  const auto toThree = log.find(" : 1 : changing to resource 3");
  const auto readme = log.find("create file: " + Dir() + "\\TDMClient.exe");
  ASSERT_NE(third, std::string::npos) << log;
  ASSERT_NE(firstEnd, std::string::npos) << log;
  ASSERT_NE(secondEnd, std::string::npos) << log;
  // No switch after second.bin: the first one comes after third.bin.
  EXPECT_LT(third, firstEnd);
  EXPECT_LT(firstEnd, toTwo);
  EXPECT_LT(toTwo, fourth);
  EXPECT_LT(fourth, secondEnd);
  EXPECT_LT(secondEnd, toThree);
  EXPECT_LT(toThree, readme);
  EXPECT_EQ(log.find(" : 1 : end of resource", secondEnd + 1), std::string::npos);
}

}  // namespace
}  // namespace setup_test
