// The installed client's product version decides whether an update runs: a required
// half that is not 0 must match exactly; without a required version the installed
// client must be older than the package.
#include <gtest/gtest.h>

#include <ostream>

#include "earlier_support.h"
#include "earlier_texts.h"

namespace e2e {
namespace {

struct VersionCase {
  const char* name;
  std::uint32_t requiredMS, requiredLS, packageMS, packageLS;
  DWORD installedMS, installedLS;
  DWORD language;  // the registered one, in which a refusal speaks
  // Empty: the update proceeds to the wizard.
  const char* refusalText;
  const char* refusalCaption;
};

void PrintTo(const VersionCase& c, std::ostream* out) {
  *out << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<VersionCase>& param) {
  return param.param.name;
}

class ClientVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(ClientVersion, DecidesWhetherTheUpdateRuns) {
  const VersionCase& c = GetParam();
  RegisteredValues registry;
  InstalledClient client(c.installedMS, c.installedLS);
  registry.SetLanguage(HKEY_CURRENT_USER, c.language);
  registry.SetString(HKEY_CURRENT_USER, "InstallDir", client.Directory());
  registry.SetString(HKEY_CURRENT_USER, "StartMenuGroup", "Tidemoor");
  const archive::ArchiveDescription update =
      UpdateArchive(c.requiredMS, c.requiredLS, c.packageMS, c.packageLS);

  if (c.refusalText != nullptr) {
    const Refusal seen = RunToRefusal(update);
    EXPECT_EQ(seen.text, c.refusalText);
    EXPECT_EQ(seen.caption, c.refusalCaption);
    EXPECT_FALSE(seen.hasIcon);
    EXPECT_EQ(seen.exitCode, 0u);
    return;
  }
  SetupUnderTest setup(update);
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  EXPECT_FALSE(setup.App().FindMessageBox().has_value());
  EXPECT_EQ(wizard.Child("box_language").ComboSelection(), static_cast<int>(c.language));
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

constexpr char kNeeds806German[] =
    "Dieses Update kann nur auf Clientversion 0.806.1 aufgespielt werden.";
constexpr char kNeeds806English[] = "This update can only be installed on client version 0.806.";
constexpr char kNeeds806Any[] =
    "Dieses Update kann nur auf Clientversion 0.806.0 aufgespielt werden.";
constexpr char kNeeds807English[] = "This update can only be installed on client version 0.807.";

INSTANTIATE_TEST_SUITE_P(
    Required806_1, ClientVersion,
    ::testing::Values(VersionCase{"Installed806_1Proceeds", 806, 1, 807, 3, 806, 1, 0, nullptr,
                                  nullptr},
                      VersionCase{"Installed806_2RefusedInGerman", 806, 1, 807, 3, 806, 2, 0,
                                  kNeeds806German, kTextWrongClientVersion.german},
                      VersionCase{"Installed805_1RefusedInEnglish", 806, 1, 807, 3, 805, 1, 1,
                                  kNeeds806English, kTextWrongClientVersion.english},
                      VersionCase{"Installed805_1RefusedInGerman", 806, 1, 807, 3, 805, 1, 0,
                                  kNeeds806German, kTextWrongClientVersion.german}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    NoRequiredVersionPackage807_3, ClientVersion,
    ::testing::Values(
        VersionCase{"Installed807_2Proceeds", 0, 0, 807, 3, 807, 2, 1, nullptr, nullptr},
        VersionCase{"Installed806_9Proceeds", 0, 0, 807, 3, 806, 9, 0, nullptr, nullptr},
        VersionCase{"Installed807_3AlreadyUpdated", 0, 0, 807, 3, 807, 3, 1,
                    kTextAlreadyUpdated.english, kTextWrongClientVersion.english},
        VersionCase{"Installed808_0AlreadyUpdated", 0, 0, 807, 3, 808, 0, 0,
                    kTextAlreadyUpdated.german, kTextWrongClientVersion.german},
        // The halves compare as unsigned numbers.
        VersionCase{"Installed807_HighLsAlreadyUpdated", 0, 0, 807, 3, 807, 0x80000000u, 1,
                    kTextAlreadyUpdated.english, kTextWrongClientVersion.english}),
    CaseName);

// A required LS of 0 accepts any installed LS, and then the already-updated test is
// not made even for a client newer than the package.
INSTANTIATE_TEST_SUITE_P(Required806_0, ClientVersion,
                         ::testing::Values(VersionCase{"Installed806_0Proceeds", 806, 0, 805, 1,
                                                       806, 0, 1, nullptr, nullptr},
                                           VersionCase{"Installed806_77Proceeds", 806, 0, 805, 1,
                                                       806, 77, 0, nullptr, nullptr},
                                           VersionCase{"Installed807_0Refused", 806, 0, 805, 1, 807,
                                                       0, 0, kNeeds806Any,
                                                       kTextWrongClientVersion.german}),
                         CaseName);

// The demo update: 0.807.4 over exactly 0.807.3.
INSTANTIATE_TEST_SUITE_P(Required807_3, ClientVersion,
                         ::testing::Values(VersionCase{"Installed807_3Proceeds", 807, 3, 807, 4,
                                                       807, 3, 1, nullptr, nullptr},
                                           VersionCase{"Installed807_4Refused", 807, 3, 807, 4, 807,
                                                       4, 1, kNeeds807English,
                                                       kTextWrongClientVersion.english}),
                         CaseName);

}  // namespace
}  // namespace e2e
