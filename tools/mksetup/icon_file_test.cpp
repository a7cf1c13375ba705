#include "icon_file.h"

#include <gtest/gtest.h>

namespace mksetup {

// An icon file of one 1x1 32-bit bitmap image: 6 + 16 header bytes, 48 image bytes.
std::string TestIcon() {
  std::string image("\x28\0\0\0\1\0\0\0\2\0\0\0\1\0\x20\0", 16);  // BITMAPINFOHEADER start
  image += std::string(24, '\0') + "\x11\x22\x33\xFF" + std::string(4, '\0');
  return std::string("\0\0\1\0\1\0\1\1\0\0\1\0\x20\0\x30\0\0\0\x16\0\0\0", 22) + image;
}

namespace {

TEST(IconFile, BecomesAGroupOfNumberedImages) {
  const std::string file = TestIcon() + "\x89PNG\r\n\x1A\n";  // a PNG image after the bitmap
  std::string twoImages = file;
  twoImages[4] = 2;
  twoImages[18] = 38;  // the bitmap moves behind the second entry
  twoImages.insert(22, std::string("\0\0\0\0\1\0\x20\0\x08\0\0\0\x56\0\0\0", 16));
  IconResources icon;
  std::string error;
  ASSERT_TRUE(SplitIconFile(
      {reinterpret_cast<const std::uint8_t*>(twoImages.data()), twoImages.size()}, icon, error))
      << error;
  ASSERT_EQ(icon.images.size(), 2u);
  EXPECT_EQ(std::string(icon.images[0].begin(), icon.images[0].end()), TestIcon().substr(22));
  EXPECT_EQ(icon.images[1].size(), 8u);
  const std::string group(icon.group.begin(), icon.group.end());
  EXPECT_EQ(group, std::string("\0\0\1\0\2\0"
                               "\1\1\0\0\1\0\x20\0\x30\0\0\0\1\0"
                               "\0\0\0\0\1\0\x20\0\x08\0\0\0\2\0",
                               34));
}

TEST(IconFile, RefusesWhatIsNoIconFile) {
  const std::string good = TestIcon();
  const struct {
    std::size_t at;
    std::string bytes;
    const char* problem;
  } rows[] = {
      {2, std::string("\2", 1), "is not an icon file"},               // a cursor file
      {4, std::string("\0", 1), "without images"},                    // count 0
      {4, std::string("\x09", 1), "cut-off image list"},              // more entries than bytes
      {18, std::string("\x17", 1), "image 1 of the icon file lies"},  // offset one too far
      {22, std::string("\x29", 1), "neither a bitmap nor a PNG"},     // header size 41
  };
  for (const auto& row : rows) {
    std::string file = good;
    file.replace(row.at, row.bytes.size(), row.bytes);
    IconResources icon;
    std::string error;
    EXPECT_FALSE(SplitIconFile({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()},
                               icon, error));
    EXPECT_NE(error.find(row.problem), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace mksetup
