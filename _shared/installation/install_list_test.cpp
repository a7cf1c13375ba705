#include "install_list.h"

#include <gtest/gtest.h>

#include <tuple>

namespace installation {
namespace {

using Names = std::vector<std::string>;

TEST(InstallList, LinesTable) {
  struct Row {
    const char* text;
    Names directories, files, desktop, readmeGerman;
    std::vector<std::uint32_t> ids;
    int refused;
  };
  // clang-format off
  const Row rows[] = {
      {"D data\r\nD data\\maps\r\nF data\\maps\\a.map\r\n", {"data", "data\\maps"}, {"data\\maps\\a.map"}, {}, {}, {}, 0},
      {"F data/x.dat\nL Tidemoor.lnk\nS 25\nR0 Wichtig.lnk\n", {}, {"data\\x.dat"}, {"Tidemoor.lnk"}, {"Wichtig.lnk"}, {25}, 0},
      // Nothing outside the installation directory, nothing unknown.
      {"F ..\\boot.ini\nF \\Windows\\x\nF C:\\x\nF a\\\\b\nF a\\.\\b\nF \nD ..\nX a\nS 2x\nS\nL a\\b.lnk\nFdata\n\n", {}, {}, {}, {}, {}, 12},
      // Nothing Windows would read as something else: a device, a name it trims.
      {"F CON\nF sub\\nul.txt\nD com1\nF a.\\x\nF a \nF ...\nF a\x01b\nF a|b\nF data\\x.dat\n", {}, {"data\\x.dat"}, {}, {}, {}, 8},
  };
  // clang-format on
  for (const Row& row : rows) {
    InstallList list;
    EXPECT_EQ(ReadInstallList(row.text, list), row.refused) << row.text;
    EXPECT_EQ(std::tie(list.directories, list.files, list.desktopLinks, list.readmeLinks[0]),
              std::tie(row.directories, row.files, row.desktop, row.readmeGerman))
        << row.text;
    EXPECT_EQ(list.shortcutIds, row.ids) << row.text;
  }
}

// Whatever the writer puts down, the reader takes back as it was, "/" as "\\"; the
// lists' own names and no other file count as lists.
TEST(InstallList, WrittenAndReadBack) {
  InstallList written;
  written.directories = {"data", "data/maps"};
  written.files = {"data/maps/a.map", "uninstall.exe", "uninstall\\0.807.4.lst"};
  written.desktopLinks = {"Tidemoor.lnk"};
  written.shortcutIds = {25, 4294967295u};
  written.readmeLinks = {Names{"Wichtig.lnk"}, Names{"Important.lnk"}};
  const std::string text = InstallListText(written);
  EXPECT_EQ(text,
            "D data\r\nD data\\maps\r\nF data\\maps\\a.map\r\nF uninstall.exe\r\n"
            "F uninstall\\0.807.4.lst\r\nL Tidemoor.lnk\r\nS 25\r\nS 4294967295\r\n"
            "R0 Wichtig.lnk\r\nR1 Important.lnk\r\n");
  InstallList read;
  EXPECT_EQ(ReadInstallList(text, read), 0);
  EXPECT_EQ(
      std::tie(read.directories, read.files, read.desktopLinks, read.shortcutIds, read.readmeLinks),
      std::forward_as_tuple(Names{"data", "data\\maps"},
                            Names{"data\\maps\\a.map", "uninstall.exe", "uninstall\\0.807.4.lst"},
                            written.desktopLinks, written.shortcutIds, written.readmeLinks));
  EXPECT_EQ(ListFileName(807, 4), "uninstall\\0.807.4.lst");
  for (const char* name : {"uninstall\\created.lst", "uninstall\\a\\b.lst", "data\\x.lst",
                           "uninstall\\.lst", "uninstall.lst"})
    EXPECT_FALSE(IsListFileName(name)) << name;
  EXPECT_TRUE(IsListFileName("UNINSTALL\\0.807.3.LST"));
}

}  // namespace
}  // namespace installation
