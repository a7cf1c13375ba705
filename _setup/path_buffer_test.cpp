#include "path_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace setup {
namespace {

TEST(Compose, FillsUpTo255CharactersAndRefusesOneMore) {
  PathBuffer out;
  const std::string dir(241, 'd');
  ASSERT_TRUE(Compose(out, {dir, "\\uninstall.exe"}));  // 241 + 14 = 255
  EXPECT_EQ(std::string(out).size(), 255u);
  EXPECT_EQ(out[255], '\0');
  const std::string longer(242, 'd');
  EXPECT_FALSE(Compose(out, {longer, "\\uninstall.exe"}));
  EXPECT_STREQ(out, "");
  ASSERT_TRUE(Compose(out, {"C:\\Games", "\\", "Tidemoor"}));
  EXPECT_STREQ(out, "C:\\Games\\Tidemoor");
}

std::vector<std::string> Split(std::string_view text, std::size_t max, bool* ok = nullptr) {
  std::vector<std::string> parts;
  const bool fits = SplitComponents(text, max, [&](std::string_view p) { parts.emplace_back(p); });
  if (ok) *ok = fits;
  return parts;
}

TEST(SplitComponents, KeepsEmptyComponentsOfNetworkPathsAndDoubledSeparators) {
  EXPECT_EQ(Split("C:\\Games\\Tidemoor", 256),
            (std::vector<std::string>{"C:", "Games", "Tidemoor"}));
  EXPECT_EQ(Split("\\\\server\\share", 256), (std::vector<std::string>{"", "", "server", "share"}));
  EXPECT_EQ(Split("Tidemoor", 256), (std::vector<std::string>{"Tidemoor"}));
  EXPECT_EQ(Split("a\\\\b\\", 256), (std::vector<std::string>{"a", "", "b", ""}));
}

TEST(SplitComponents, RefusesMoreComponentsThanTheListHolds) {
  std::string text = "C:";
  for (int i = 0; i < 255; ++i) text += "\\x";  // 256 components
  bool ok = false;
  EXPECT_EQ(Split(text, 256, &ok).size(), 256u);
  EXPECT_TRUE(ok);
  Split(text + "\\x", 256, &ok);
  EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace setup
