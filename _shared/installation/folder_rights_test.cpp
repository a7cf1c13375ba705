#include "folder_rights.h"

#include <gtest/gtest.h>

namespace installation {
namespace {

constexpr char kTi[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// Lists as Windows reports them for the folders an all-users installation meets.
TEST(FolderRights, Table) {
  using R = FolderRights;
  const std::string programFiles =
      std::string("O:") + kTi + "G:" + kTi + "D:PAI(A;;FA;;;" + kTi + ")(A;CIIO;GA;;;" + kTi +
      ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
      "(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;AC)";
  const struct {
    std::string sddl;
    R asInstallation, asAbove;
  } rows[] = {
      {programFiles, R::kSafe, R::kSafe},
      {std::string("O:BAD:") + (kProtectedFolderSddl + 2), R::kSafe, R::kSafe},
      // C:\: every signed-in user may make a folder there, and owns what he makes.
      {"O:SYG:SYD:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)"
       "(A;OICI;0x1200a9;;;BU)S:(AU;FA;FA;;;WD)",
       R::kOthersMayChange, R::kSafe},
      // C:\Games made by an administrator: what C:\ passes on lets every user change it.
      {"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIIOID;SDGXGWGR;;;AU)"
       "(A;ID;0x1301bf;;;AU)(A;OICIID;0x1200a9;;;BU)",
       R::kOthersMayChange, R::kOthersMayChange},
      // ... and made by a player.
      {"O:S-1-5-21-1-2-3-1001D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)", R::kForeignOwner,
       R::kForeignOwner},
      {"O:S-1-5-32-544D:P(A;OICI;FA;;;S-1-5-18)(A;OICI;FA;;;WD)", R::kOthersMayChange,
       R::kOthersMayChange},
      {"O:BAD:P(D;OICI;FA;;;WD)(A;OICI;FA;;;SY)", R::kSafe, R::kSafe},
      // Passed on only: the installation's own files would get it, a level above not.
      {"O:BAD:P(A;OICI;FA;;;BA)(A;OICIIO;FW;;;BU)", R::kOthersMayChange, R::kSafe},
      {"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;CO)", R::kOthersMayChange, R::kOthersMayChange},
      {"O:BAD:P(A;OICI;FA;;;BA)(A;;DT;;;BU)", R::kOthersMayChange, R::kOthersMayChange},
      {"O:BAD:P(A;OICI;FA;;;BA)(A;;0x40000000;;;BU)", R::kOthersMayChange, R::kSafe},
      {"O:BAD:P(A;OICI;FA;;;BA)(A;;DCLC;;;BU)", R::kOthersMayChange, R::kSafe},
      // Nothing to go by, or text this reading does not know: refused.
      {"O:BAD:NO_ACCESS_CONTROL", R::kNotUnderstood, R::kNotUnderstood},
      {"O:BA", R::kNotUnderstood, R::kNotUnderstood},
      {"D:P(A;OICI;FA;;;BA)", R::kNotUnderstood, R::kNotUnderstood},
      {"O:BAD:P(A;OICI;ZZ;;;BU)", R::kNotUnderstood, R::kNotUnderstood},
      {"O:BAD:P(OA;;FA;;;BU)", R::kNotUnderstood, R::kNotUnderstood},
      {"O:BAD:P(A;OICI;FA;;;BA", R::kNotUnderstood, R::kNotUnderstood},
      {"O:BAD:P(A;OICI;0x1g;;;BU)", R::kNotUnderstood, R::kNotUnderstood},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(JudgeFolderRights(row.sddl, true), row.asInstallation) << row.sddl;
    EXPECT_EQ(JudgeFolderRights(row.sddl, false), row.asAbove) << row.sddl;
  }
}

TEST(FolderRights, LevelsFromTheRootDown) {
  using L = std::vector<std::string>;
  EXPECT_EQ(FolderLevels("C:\\Games\\Tidemoor"), (L{"C:\\", "C:\\Games", "C:\\Games\\Tidemoor"}));
  EXPECT_EQ(FolderLevels("D:\\"), (L{"D:\\"}));
  EXPECT_EQ(FolderLevels("\\\\srv\\games\\Tidemoor\\"),
            (L{"\\\\srv\\games\\", "\\\\srv\\games\\Tidemoor"}));
  for (const char* rootless : {"Games\\Tidemoor", "C:Tidemoor", "\\\\srv", "\\\\srv\\", ""})
    EXPECT_EQ(FolderLevels(rootless), L{}) << rootless;
}

// C:\, C:\Games, C:\Games\Tidemoor: only the levels Setup made, that an administrator
// owns and that hold nothing else, are given the list.
TEST(FolderRights, RepairOnlyWhatSetupMade) {
  using R = FolderRights;
  using P = std::vector<std::size_t>;
  constexpr LevelFacts S{R::kSafe}, O{R::kOthersMayChange}, Alone{R::kOthersMayChange, true},
      F{R::kForeignOwner, true}, U{R::kNotUnderstood, true};
  const struct {
    std::vector<LevelFacts> levels;
    unsigned made;
    bool refuse;
    std::size_t failing;
    P protect;
  } rows[] = {
      {{S, S, S}, 0, false, 0, {}},
      {{S, Alone, O}, 2, false, 0, {1, 2}},
      {{S, S, O}, 1, false, 0, {2}},
      {{S, Alone, O}, 1, true, 1, {}},  // C:\Games was there before: not Setup's to change
      {{S, O, O}, 2, true, 1, {}},      // ... or holds other folders now
      {{S, S, O}, 0, true, 2, {}},      // an installation into a folder that existed
      {{S, Alone, F}, 2, true, 2, {}},  // made by a player, whatever the record says
      {{S, U, O}, 2, true, 1, {}},
      {{Alone, S, O}, 9, true, 0, {}},  // a record claiming the root too
      {{}, 3, false, 0, {}},
  };
  for (const auto& row : rows) {
    const FolderRepair repair = PlanFolderRepair(row.levels, row.made);
    EXPECT_EQ(repair.refuse, row.refuse) << row.made;
    if (row.refuse) {
      EXPECT_EQ(repair.failing, row.failing) << row.made;
    }
    EXPECT_EQ(repair.protect, row.protect) << row.made;
  }
}

}  // namespace
}  // namespace installation
