#include "name_rules.h"

#include <gtest/gtest.h>

namespace mksetup {
namespace {

std::string Why(const char* problem) {
  return problem == nullptr ? "" : problem;
}

TEST(NameRules, AcceptsOrdinaryRelativeNames) {
  EXPECT_EQ(RelativeNameProblem("TDMClient.exe"), nullptr);
  EXPECT_EQ(RelativeNameProblem("data/maps/sea.map"), nullptr);
  EXPECT_EQ(RelativeNameProblem("\xC4nderungen.txt"), nullptr);
  EXPECT_EQ(RelativeNameProblem("COM0.txt"), nullptr);
  EXPECT_EQ(RelativeNameProblem("console.log"), nullptr);
  EXPECT_EQ(RelativeNameProblem(".hidden"), nullptr);
}

TEST(NameRules, RefusesNamesThatLeaveTheFolderOrWindowsForbids) {
  EXPECT_EQ(Why(RelativeNameProblem("/etc/passwd")), "is absolute");
  EXPECT_EQ(Why(RelativeNameProblem("C:evil.dll")), "holds a drive letter");
  EXPECT_EQ(Why(RelativeNameProblem("data\\evil.dll")), "holds a backslash; use / between folders");
  EXPECT_EQ(Why(RelativeNameProblem("data/../../evil.dll")), "holds a \"..\" component");
  EXPECT_EQ(Why(RelativeNameProblem("..")), "holds a \"..\" component");
  EXPECT_EQ(Why(RelativeNameProblem("data//a")), "has an empty component");
  EXPECT_EQ(Why(RelativeNameProblem("data/")), "has an empty component");
  EXPECT_EQ(Why(RelativeNameProblem("")), "is empty");
  for (const char* name : {"a<b", "a>b", "ab:c", "a\"b", "a|b", "a?b", "a*b"})
    EXPECT_NE(Why(RelativeNameProblem(name)).find("forbids"), std::string::npos) << name;
  EXPECT_EQ(Why(RelativeNameProblem("a\tb")), "holds a control character");
  EXPECT_EQ(Why(RelativeNameProblem("a\x1F")), "holds a control character");
  for (const char* name : {"CON", "nul", "Aux.txt", "data/PRN", "COM1", "lpt9.log"})
    EXPECT_EQ(Why(RelativeNameProblem(name)), "is a reserved device name") << name;
  EXPECT_EQ(Why(RelativeNameProblem("readme.")), "ends in a dot or blank");
  EXPECT_EQ(Why(RelativeNameProblem("data /a")), "ends in a dot or blank");
}

TEST(NameRules, LinkNamesAreOneComponentEndingInLnk) {
  EXPECT_EQ(LinkNameProblem("Tidemoor.lnk"), nullptr);
  EXPECT_EQ(LinkNameProblem("Liesmich.LNK"), nullptr);
  EXPECT_EQ(Why(LinkNameProblem("Tidemoor")), "does not end in .lnk");
  EXPECT_EQ(Why(LinkNameProblem(".lnk")), "does not end in .lnk");
  EXPECT_NE(Why(LinkNameProblem("sub/Tidemoor.lnk")).find("forbids"), std::string::npos);
  EXPECT_NE(Why(LinkNameProblem("sub\\Tidemoor.lnk")).find("forbids"), std::string::npos);
}

TEST(NameRules, InstallFolderBeginsWithABackslash) {
  EXPECT_EQ(InstallFolderProblem("\\Tidemoor"), nullptr);
  EXPECT_EQ(InstallFolderProblem("\\Games\\Tidemoor"), nullptr);
  EXPECT_NE(Why(InstallFolderProblem("Tidemoor")).find("begin with a backslash"),
            std::string::npos);
  EXPECT_EQ(Why(InstallFolderProblem("\\")), "has an empty component");
  EXPECT_EQ(Why(InstallFolderProblem("\\..\\Windows")), "holds a \"..\" component");
  EXPECT_NE(Why(InstallFolderProblem("\\C:")).find("forbids"), std::string::npos);
}

TEST(NameRules, StartMenuGroupIsRelativeFolderNames) {
  EXPECT_EQ(StartMenuGroupProblem("Tidemoor"), nullptr);
  EXPECT_EQ(StartMenuGroupProblem("Games\\Tidemoor"), nullptr);
  EXPECT_NE(StartMenuGroupProblem("\\Tidemoor"), nullptr);
  EXPECT_NE(StartMenuGroupProblem("Tide?moor"), nullptr);
  EXPECT_NE(StartMenuGroupProblem(""), nullptr);
}

TEST(NameRules, FoldCaseMatchesWhatWindowsTreatsAsOneName) {
  EXPECT_EQ(FoldCase("Readme.TXT"), FoldCase("README.txt"));
  EXPECT_EQ(FoldCase("\xC4rger"), FoldCase("\xE4rger"));  // Ä, ä
  EXPECT_NE(FoldCase("\xD7"), FoldCase("\xF7"));          // × and ÷ are not letters
  EXPECT_NE(FoldCase("a.txt"), FoldCase("b.txt"));
}

}  // namespace
}  // namespace mksetup
