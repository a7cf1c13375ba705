// Picking a language on the first page relabels every bound caption and shows only
// that language's terms of use; picking the other one brings its texts back. ctest
// runs this binary once more as an Austrian (de_AT) and as a French (fr_FR) user.
#include <gtest/gtest.h>

#include "wizard_texts.h"

namespace e2e {
namespace {

using archive::SetupKind;

void ExpectLanguage(const driver::Window& wizard, const archive::ArchiveDescription& archive,
                    int language) {
  SCOPED_TRACE(language == 0 ? "German" : "English");
  const bool german = language == 0;
  EXPECT_EQ(wizard.Child("box_language").ComboSelection(), language);
  for (const BoundCaption& bound : BoundCaptions())
    EXPECT_EQ(wizard.Child(bound.control).Text(), bound.text.In(german)) << bound.control;
  EXPECT_EQ(wizard.Child("memo_disclaimer").Lines(), archive.termsLines[language]);
  // Not bound: the same in both languages.
  EXPECT_EQ(wizard.Text(), "Installation:");
  EXPECT_EQ(wizard.Child("Label1").Text(), kFullTitle);
  EXPECT_NE(wizard.Child("Label2").Text().find("V1.49"), std::string::npos);
  EXPECT_EQ(wizard.Child("Button4").Text(), ">>");
  EXPECT_EQ(wizard.Child("box_language").ComboItems(),
            (std::vector<std::string>{"Deutsch", "English"}));
}

TEST(WizardLanguage, FirstPageStartsInTheUsersLanguage) {
  const archive::ArchiveDescription archive = SmallArchive(SetupKind::Full);
  SetupUnderTest setup(archive);
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  ExpectLanguage(wizard, archive, UserIsGerman() ? 0 : 1);
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

TEST(WizardLanguage, SwitchingRelabelsEveryCaptionAndBack) {
  const archive::ArchiveDescription archive = SmallArchive(SetupKind::Full);
  SetupUnderTest setup(archive);
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  const driver::Window list = wizard.Child("box_language");
  list.SelectComboItem("English");
  ExpectLanguage(wizard, archive, 1);
  list.SelectComboItem("Deutsch");
  ExpectLanguage(wizard, archive, 0);
  list.SelectComboItem("English");
  ExpectLanguage(wizard, archive, 1);
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

// The language chosen on the first page is the one the following pages speak.
TEST(WizardLanguage, ChosenLanguageCarriesOverToTheNextPages) {
  const bool german = !UserIsGerman();  // the language the user did not start in
  SetupUnderTest setup(SmallArchive(SetupKind::Full));
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  wizard.Child("box_language").SelectComboItem(german ? 0 : 1);
  wizard.Child("Button1").Click();
  EXPECT_EQ(wizard.Child("lbl_disclaimer").Text(),
            (Texts{"Nutzungsbedingungen:", "Terms of use:"}).In(german));
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  EXPECT_EQ(wizard.Child("Button1").Text(), kTextStart);
  EXPECT_EQ(wizard.Child("Label4").Text(),
            (Texts{"Installations-Verzeichnis:", "Installation directory:"}).In(german));
  EXPECT_EQ(wizard.Child("Button3").Text(), (Texts{"<< &Zur\xFC"
                                                   "ck",
                                                   "<< &Back"})
                                                .In(german));
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

}  // namespace
}  // namespace e2e
