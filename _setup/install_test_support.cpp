#include "install_test_support.h"

#include <algorithm>
#include <filesystem>

#include "application.h"
#include "message_box_recorder.h"
#include "s_lang.h"
#include "s_registry_win.h"

namespace setup_test {

void EngineSetup::FormCreate() {
  segments = ViewsOf(archive_);
  kind = BodyU32(*archive_[0], archive::SetupHeader::kKindOffset);
  box_language.SetItemIndex(static_cast<int>(CLang::GetLanguage()));
  UpdateWizardTexts();
  ShowPage(TabSheet1);
}

void InstallTest::SetUp() {
  root_ = std::string("C:\\tdm-engine\\") +
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
  for (const auto& [value, folder] : {std::pair{"Desktop", "desktop"},
                                      {"Programs", "programs"},
                                      {"Common Desktop", "common-desktop"},
                                      {"Common Programs", "common-programs"}}) {
    std::filesystem::create_directories(Folder(folder));
    SetString(value[0] == 'C' ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kShellFolders, value,
              Folder(folder));
  }
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    for (const char* key : {kProductKey, kUninstallKey, kProbeKey}) RegDeleteTreeA(root, key);
  gui::testing::ClearRecordedMessageBoxes();
  CLang::SetLanguage(kLanguageEnglish);
}

void InstallTest::TearDown() {
  if (volatileRoot_ != nullptr) {  // a lasting parent again for the tests after this one
    RegDeleteTreeA(volatileRoot_, kUninstallParent);
    SetString(volatileRoot_, kUninstallParent, "", "");
  }
  gui::Application::Instance().DestroyForms();
  setup_.reset();
  CReg::FreeInstance();
  std::error_code ignored;
  if (!HasFailure()) std::filesystem::remove_all(root_, ignored);
}

EngineSetup& InstallTest::Open(const archive::ArchiveDescription& release) {
  archive_ = AllPresent(WriteSegments(release));
  setup_ = std::make_unique<EngineSetup>(archive_);
  setup_->Create();
  setup_->ShowForm();  // so that "visible" means on screen, as for the user
  return *setup_;
}

bool InstallTest::Install(const std::string& directory, const std::string& group, bool allUsers,
                          bool desktopIcon) {
  setup_->Button1Click();  // to the terms
  setup_->Button1Click();  // to the settings
  setup_->Edit1.SetText(directory);
  setup_->Edit2.SetText(group);
  setup_->radio_current_user.SetChecked(!allUsers);
  setup_->radio_all_users.SetChecked(allUsers);
  setup_->CheckBox3.SetChecked(desktopIcon);
  setup_->Button1Click();
  const bool succeeded = setup_->wizardStep == 3 && setup_->TabSheet4.Visible();
  // Both end pages offer only the finish button; success shows no box.
  EXPECT_EQ(setup_->wizardStep, succeeded ? 3 : 4);
  EXPECT_EQ(setup_->TabSheet5.Visible(), !succeeded);
  EXPECT_FALSE(setup_->TabSheet3.Visible() || setup_->Button2.Visible());
  EXPECT_EQ(setup_->Button1.Text(), Text(kMsgFinished));
  EXPECT_TRUE(setup_->Button1.Enabled());
  EXPECT_TRUE(!succeeded || gui::testing::RecordedMessageBoxes().empty());
  return succeeded;
}

void InstallTest::RefuseUninstallEntry(HKEY root) {
  volatileRoot_ = root;
  RegDeleteTreeA(root, kUninstallParent);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, kUninstallParent, 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::string InstallTest::Text(std::uint32_t id) {
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

std::string InstallTest::OnlyBoxText() const {
  const auto& boxes = gui::testing::RecordedMessageBoxes();
  EXPECT_EQ(boxes.size(), 1u);
  if (boxes.empty()) return {};
  EXPECT_EQ(boxes[0].caption, Text(kMsgError));
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
  return boxes[0].text;
}

void InstallTest::SetString(HKEY root, const char* key, const char* name,
                            const std::string& value) {
  ASSERT_EQ(
      RegSetKeyValueA(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1)),
      ERROR_SUCCESS);
}

std::vector<std::string> InstallTest::FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace setup_test
