#include "settings_trim.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(TrimSettingsFields, Table) {
  const struct {
    const char *directory, *group;
    TrimmedSettings want;
  } rows[] = {
      {"C:\\Games\\Tidemoor\\", "\\Tidemoor\\", {"C:\\Games\\Tidemoor", "Tidemoor", false}},
      {"C:\\A\\B", "Tide\\moor", {"C:\\A\\B", "Tide\\moor", false}},
      {"C:\\\\", "\\\\G\\\\", {"C:\\", "\\G\\", false}},  // one backslash at each end
      {"C:\\x", "G\\", {"C:\\x", "G", false}},
      {"C:\\x", "\\\\", {"C:\\x", "", false}},
      {"\\", "G", {"", "G", false}},
      {"", "G", {"", "G", true}},
      {"C:\\x\\", "", {"C:\\x", "", true}},
      {"C:\\x", "\\", {"C:\\x", "", true}},  // emptied by the first removal
  };
  for (const auto& row : rows) {
    const TrimmedSettings got = TrimSettingsFields(row.directory, row.group);
    EXPECT_TRUE(got == row.want) << row.directory << " | " << row.group << " -> " << got.directory
                                 << " | " << got.group << " " << got.rangeError;
  }
}

}  // namespace
}  // namespace setup
