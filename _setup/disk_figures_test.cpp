#include "disk_figures.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(DiskFigures, Table) {
  const std::optional<std::uint64_t> unknown;
  const struct {
    std::array<std::uint32_t, 3> bodies;
    std::optional<std::uint64_t> freeBytes;
    DiskFigures want;
  } rows[] = {
      {{16651315, 0, 0}, 0, {"15 MB", "0 MB"}},  // the shipped archive
      {{1048575, 0, 0}, 1048575, {"0 MB", "0 MB"}},
      {{1048576, 0, 0}, 1048576, {"1 MB", "1 MB"}},
      {{1048575, 1, 0}, 3145727, {"1 MB", "2 MB"}},  // every segment counts
      {{80000000, 80000000, 3000000}, 5ull << 40, {"155 MB", "5242880 MB"}},
      {{0, 0, 0}, unknown, {"0 MB", "0 MB"}},  // a failed query
  };
  for (const auto& row : rows) {
    const DiskFigures got = DiskFiguresFor(row.bodies, row.freeBytes);
    EXPECT_EQ(got.required, row.want.required) << row.bodies[0];
    EXPECT_EQ(got.available, row.want.available) << row.freeBytes.value_or(0);
  }
  for (const auto& [directory, root] :
       {std::pair{"D:\\Games\\Tidemoor", "D:\\"}, {"C:\\", "C:\\"}, {"C:", "C:"}, {"", ""}})
    EXPECT_EQ(VolumeRootOf(directory), root);
}

}  // namespace
}  // namespace setup
