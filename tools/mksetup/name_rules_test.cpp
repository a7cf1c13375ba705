#include "name_rules.h"

#include <gtest/gtest.h>

namespace mksetup {
namespace {

using Check = const char* (*)(std::string_view);

// Each row: the rule, the name, and a piece of the refusal ("" when it is accepted).
TEST(NameRules, AcceptOrRefuse) {
  const struct {
    Check check;
    const char* name;
    const char* problem;
  } rows[] = {
      {RelativeNameProblem, "data/maps/sea.map", ""},
      {RelativeNameProblem, "\xC4nderungen.txt", ""},
      {RelativeNameProblem, "COM0.txt", ""},
      {RelativeNameProblem, "console.log", ""},
      {RelativeNameProblem, ".hidden", ""},
      {RelativeNameProblem, "/etc/passwd", "is absolute"},
      {RelativeNameProblem, "C:evil.dll", "drive letter"},
      {RelativeNameProblem, "data\\evil.dll", "backslash"},
      {RelativeNameProblem, "data/../../evil.dll", "\"..\""},
      {RelativeNameProblem, "..", "\"..\""},
      {RelativeNameProblem, "data//a", "empty component"},
      {RelativeNameProblem, "data/", "empty component"},
      {RelativeNameProblem, "", "is empty"},
      {RelativeNameProblem, "a<b", "forbids"},
      {RelativeNameProblem, "a|b", "forbids"},
      {RelativeNameProblem, "a*b", "forbids"},
      {RelativeNameProblem, "a\"b", "forbids"},
      {RelativeNameProblem, "a\x1F", "control character"},
      {RelativeNameProblem, "nul", "reserved device name"},
      {RelativeNameProblem, "Aux.txt", "reserved device name"},
      {RelativeNameProblem, "data/lpt9.log", "reserved device name"},
      {RelativeNameProblem, "readme.", "ends in a dot or blank"},
      {RelativeNameProblem, "data /a", "ends in a dot or blank"},
      {LinkNameProblem, "Liesmich.LNK", ""},
      {LinkNameProblem, ".lnk", "does not end in .lnk"},
      {LinkNameProblem, "sub/Tidemoor.lnk", "forbids"},
      {InstallFolderProblem, "\\Games\\Tidemoor", ""},
      {InstallFolderProblem, "Tidemoor", "begin with a backslash"},
      {InstallFolderProblem, "\\", "empty component"},
      {InstallFolderProblem, "\\..\\Windows", "\"..\""},
      {InstallFolderProblem, "\\C:", "forbids"},
      {StartMenuGroupProblem, "Games\\Tidemoor", ""},
      {StartMenuGroupProblem, "\\Tidemoor", "must not begin with a backslash"},
      {StartMenuGroupProblem, "Tide?moor", "forbids"},
  };
  for (const auto& row : rows) {
    const char* problem = row.check(row.name);
    EXPECT_EQ(problem == nullptr, *row.problem == '\0') << row.name << ": " << problem;
    EXPECT_TRUE(problem == nullptr || std::string(problem).find(row.problem) != std::string::npos)
        << row.name << ": " << problem;
  }
}

TEST(NameRules, FoldCaseMatchesWhatWindowsTreatsAsOneName) {
  EXPECT_EQ(FoldCase("Readme.TXT"), FoldCase("README.txt"));
  EXPECT_EQ(FoldCase("\xC4rger"), FoldCase("\xE4rger"));  // Ä, ä
  EXPECT_NE(FoldCase("\xD7"), FoldCase("\xF7"));          // × and ÷ are not letters
}

}  // namespace
}  // namespace mksetup
