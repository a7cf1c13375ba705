// An archive of three segments, each of the first two carrying more than 80,000,000
// bytes of file data: every file comes out whole, and the reader changes segment
// exactly where the writer did.
#include <algorithm>

#include "install_test_support.h"
#include "s_logging.h"

namespace setup_test {
namespace {

constexpr std::uint32_t kLimit = archive::SEGMENT_DATA_LIMIT;

using InstallSegments = InstallTest;

TEST_F(InstallSegments, FilesContinueAcrossThreeSegments) {
  // Stretches of one buffer, no two alike.
  static std::vector<std::uint8_t> pattern(kLimit + 2);
  for (std::size_t i = 0; i < pattern.size(); ++i)
    pattern[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  auto stretch = [](const char* name, std::size_t offset, std::uint32_t size) {
    return archive::WriterFile{name, kFileTime, size, {pattern.data() + offset, size}, {}};
  };
  archive::ArchiveDescription release = TestRelease();
  // Segment 1 ends exactly on the limit after second.bin and one byte above it with
  // third.bin; fourth.bin alone fills segment 2 beyond the limit; segment 3 has the rest.
  release.files = {stretch("first.bin", 0, kLimit / 2), stretch("second.bin", 1, kLimit / 2),
                   stretch("third.bin", 2, 1), stretch("fourth.bin", 2, kLimit + 1),
                   TestFile("TDMClient.exe", "client")};
  Open(release);
  ASSERT_TRUE(setup_->segments[2].present());
  const std::string logPath = root_ + "\\setup.log";
  CLog::Instance()->Open(1, logPath.c_str());
  ASSERT_TRUE(Install(Dir()));
  CLog::FreeInstance();
  for (const archive::WriterFile& file : release.files)
    EXPECT_TRUE(ReadContents(Dir() + "\\" + file.name) ==
                std::string(file.bytes.begin(), file.bytes.end()))
        << file.name;

  const std::string log = ReadContents(logPath).value_or("");
  const std::string created = "create file: " + Dir() + "\\";
  std::vector<std::size_t> order = {log.find(created + "third.bin")};
  for (const std::string& next :
       {std::string(" : 1 : end of resource"), std::string(" : 1 : changing to resource 2"),
        created + "fourth.bin", std::string(" : 1 : end of resource"),
        std::string(" : 1 : changing to resource 3"), created + "TDMClient.exe"})
    order.push_back(log.find(next, order.back() + 1));
  // No switch before third.bin, and none after the second.
  EXPECT_LT(order.back(), log.size()) << log;
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << log;
  EXPECT_EQ(log.find(" : 1 : end of resource"), order[1]);
  EXPECT_EQ(log.find(" : 1 : end of resource", order[4] + 1), std::string::npos);
}

}  // namespace
}  // namespace setup_test
