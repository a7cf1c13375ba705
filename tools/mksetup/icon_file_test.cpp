#include "icon_file.h"

#include <gtest/gtest.h>

namespace mksetup {

// An icon file of one 1x1 32-bit bitmap: a 6-byte header, one 16-byte entry, 48 image bytes.
std::string TestIcon() {
  const std::string image = std::string("\x28\0\0\0\1\0\0\0\2\0\0\0\1\0\x20\0", 16) +
                            std::string(24, '\0') + "\x11\x22\x33\xFF" + std::string(4, '\0');
  return std::string("\0\0\1\0\1\0\1\1\0\0\1\0\x20\0\x30\0\0\0\x16\0\0\0", 22) + image;
}

namespace {

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

}  // namespace
}  // namespace mksetup
