#include "earlier_installation.h"

#include <gtest/gtest.h>

#include "s_lang.h"

namespace setup {
namespace {

constexpr std::uint32_t F = 1, U = 2;
constexpr bool y = true, n = false;
using V = ProductVersion;
const std::optional<std::uint32_t> none;
const std::optional<V> missing;

EarlierOutcome Refused(std::optional<std::uint32_t> language, std::uint32_t text,
                       std::uint32_t caption = kMsgWrongClientVersion) {
  return {EarlierVerdict::Refuse, language, text, caption};
}
EarlierOutcome Wrong(std::uint32_t language) {
  return Refused(language, kMsgUpdateNeedsClientVersion);
}
EarlierOutcome Adopt(std::uint32_t language) {
  return {EarlierVerdict::Adopt, language, 0, 0};
}
const EarlierOutcome kProceed{};

struct Row {
  std::uint32_t kind;
  std::optional<std::uint32_t> language;
  bool dir, group;  // "InstallDir", "StartMenuGroup" registered
  std::optional<V> client;
  V required, package;
  EarlierOutcome want;
  const char* versionText = nullptr;  // text 36 as shown, where the refusal fills it in
};

TEST(DecideEarlierInstallation, Table) {
  // clang-format off
  const Row rows[] = {
      {F, none, n, n, missing, {}, {}, kProceed},
      {F, none, y, y, missing, {}, {}, kProceed},  // a directory alone is no installation
      {F, 0, y, y, V{1, 1}, {}, {}, Refused(0, kMsgUninstallPreviousFirst, kMsgError)},
      {F, 1, n, n, missing, {}, {}, Refused(1, kMsgUninstallPreviousFirst, kMsgError)},
      {F, 7, n, n, missing, {}, {}, Refused(1, kMsgUninstallPreviousFirst, kMsgError)},
      {3, 0, n, n, missing, {}, {}, kProceed},
      {U, none, y, y, V{806, 1}, {}, {807, 3}, Refused(none, kMsgRegistryReadFailed, kMsgError)},
      {U, 1, n, y, V{806, 1}, {}, {807, 3},
       Refused(1, kMsgInstallDirectoryUnknown, kMsgRegistryAccessFailure)},
      {U, 0, y, n, V{806, 1}, {}, {807, 3}, Refused(0, kMsgRegistryReadFailed, kMsgError)},
      {U, 0, y, y, missing, {}, {807, 3}, Refused(0, kClientPathText, kMsgMissingClientFile)},
      {U, 0, y, y, V{806, 1}, {806, 1}, {807, 3}, Adopt(0)},
      {U, 0, y, y, V{806, 2}, {806, 1}, {807, 3}, Wrong(0),
       "Dieses Update kann nur auf Clientversion 0.806.1 aufgespielt werden."},
      {U, 1, y, y, V{805, 1}, {806, 1}, {807, 3}, Wrong(1),
       "This update can only be installed on client version 0.806."},
      {U, 1, y, y, V{807, 2}, {}, {807, 3}, Adopt(1)},
      {U, 0, y, y, V{806, 9}, {}, {807, 3}, Adopt(0)},
      {U, 1, y, y, V{807, 3}, {}, {807, 3}, Refused(1, kMsgAlreadyUpdated)},
      {U, 0, y, y, V{808, 0}, {}, {807, 3}, Refused(0, kMsgAlreadyUpdated)},
      {U, 1, y, y, V{807, 0x80000000u}, {}, {807, 3}, Refused(1, kMsgAlreadyUpdated)},  // unsigned
      // A required half of 0 accepts any value, and a given one skips the age test.
      {U, 1, y, y, V{806, 77}, {806, 0}, {805, 1}, Adopt(1)},
      {U, 0, y, y, V{807, 0}, {806, 0}, {805, 1}, Wrong(0),
       "Dieses Update kann nur auf Clientversion 0.806.0 aufgespielt werden."},
      {U, 1, y, y, V{900, 5}, {0, 5}, {807, 3}, Adopt(1)},
      {U, 1, y, y, V{900, 4}, {0, 5}, {807, 3}, Wrong(1)},
      {U, 1, y, y, V{807, 3}, {807, 3}, {807, 4}, Adopt(1)},  // the demo update
      {U, 1, y, y, V{807, 4}, {807, 3}, {807, 4}, Wrong(1),
       "This update can only be installed on client version 0.807."},
      {U, 9, y, y, V{806, 1}, {}, {807, 3}, Adopt(1)},  // a foreign number speaks English
  };
  // clang-format on
  int index = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(index++);
    const EarlierFacts facts{r.kind, r.language, r.dir, r.group, r.client, r.package, r.required};
    const EarlierOutcome got = DecideEarlierInstallation(facts);
    EXPECT_TRUE(got == r.want) << int(got.verdict) << " text " << got.text << " caption "
                               << got.caption << " language " << got.language.value_or(99);
    if (r.versionText == nullptr) continue;
    CLang::SetLanguage(*got.language);
    EXPECT_EQ(WrongClientVersionText(CLang::GetText(got.text), r.required), r.versionText);
  }
}

}  // namespace
}  // namespace setup
