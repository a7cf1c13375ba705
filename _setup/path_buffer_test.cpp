#include "path_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace setup {
namespace {

TEST(Compose, FillsUpTo255CharactersAndRefusesOneMore) {
  PathBuffer out;
  ASSERT_TRUE(Compose(out, {std::string(241, 'd'), "\\uninstall.exe"}));  // 241 + 14 = 255
  EXPECT_EQ(std::string(out).size(), 255u);
  EXPECT_FALSE(Compose(out, {std::string(242, 'd'), "\\uninstall.exe"}));
  EXPECT_STREQ(out, "");
  ASSERT_TRUE(Compose(out, {"C:\\Games", "\\", "Tidemoor"}));
  EXPECT_STREQ(out, "C:\\Games\\Tidemoor");
}

TEST(SplitComponents, KeepsEmptyComponentsAndRefusesMoreThanTheListHolds) {
  std::string many = "C:";
  for (int i = 0; i < 255; ++i) many += "\\x";  // 256 components
  const std::pair<std::string, std::vector<std::string>> rows[] = {
      {"C:\\Games\\Tidemoor", {"C:", "Games", "Tidemoor"}},
      {"\\\\server\\share", {"", "", "server", "share"}},
      {"Tidemoor", {"Tidemoor"}},
      {"a\\\\b\\", {"a", "", "b", ""}}};
  for (const auto& [text, parts] : rows) {
    std::vector<std::string> split;
    EXPECT_TRUE(SplitComponents(text, 256, [&](std::string_view p) { split.emplace_back(p); }));
    EXPECT_EQ(split, parts) << text;
  }
  std::size_t count = 0;
  EXPECT_TRUE(SplitComponents(many, 256, [&](std::string_view) { ++count; }));
  EXPECT_EQ(count, 256u);
  EXPECT_FALSE(SplitComponents(many + "\\x", 256, [](std::string_view) {}));
}

}  // namespace
}  // namespace setup
