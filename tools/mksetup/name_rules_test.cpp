#include "name_rules.h"

#include <gtest/gtest.h>

namespace mksetup {
namespace {

// Each row: the rule, the name, and a piece of the refusal ("" when it is accepted).
TEST(NameRules, AcceptOrRefuse) {
  const struct {
    const char* (*check)(std::string_view);
    const char *name, *problem;
  } rows[] = {
      {RelativeNameProblem, "data/maps/\xC4nderung.map", ""},
      {RelativeNameProblem, "COM0.txt", ""},
      {RelativeNameProblem, "console.log", ""},
      {RelativeNameProblem, "/etc/passwd", "is absolute"},
      {RelativeNameProblem, "C:evil.dll", "drive letter"},
      {RelativeNameProblem, "data\\evil.dll", "backslash"},
      {RelativeNameProblem, "data/../../evil.dll", "\"..\""},
      {RelativeNameProblem, "data//a", "empty component"},
      {RelativeNameProblem, "", "is empty"},
      {RelativeNameProblem, "a|b", "forbids"},
      {RelativeNameProblem, "a\x1F", "control character"},
      {RelativeNameProblem, "data/Aux.txt", "reserved device name"},
      {RelativeNameProblem, "data /a", "ends in a dot or blank"},
      {LinkNameProblem, "Liesmich.LNK", ""},
      {LinkNameProblem, ".lnk", "does not end in .lnk"},
      {InstallFolderProblem, "\\Games\\Tidemoor", ""},
      {InstallFolderProblem, "Tidemoor", "begin with a backslash"},
      {StartMenuGroupProblem, "Games\\Tidemoor", ""},
      {StartMenuGroupProblem, "\\Tidemoor", "must not begin with a backslash"},
  };
  for (const auto& row : rows) {
    const std::string problem = row.check(row.name) == nullptr ? "" : row.check(row.name);
    EXPECT_TRUE(problem.find(row.problem) != std::string::npos && problem.empty() == !*row.problem)
        << row.name << ": " << problem;
  }
  EXPECT_EQ(FoldCase("Readme.TXT \xC4"), FoldCase("README.txt \xE4"));  // Ä, ä
  EXPECT_NE(FoldCase("\xD7"), FoldCase("\xF7"));                        // ×, ÷: not letters
}

}  // namespace
}  // namespace mksetup
