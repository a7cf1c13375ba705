#include "u_setup.h"

#include <windows.h>

#include "application.h"
#include "disk_figures.h"
#include "s_lang.h"
#include "s_logging.h"
#include "s_monitor_win.h"
#include "s_registry_win.h"
#include "setup_report.h"
#include "u_directorydlg.h"

TFSetup* FSetup = nullptr;

namespace {

constexpr char kUnit[] = "_setup/u_setup";
constexpr char kBanner[] = "Tidemoor Setup V1.49";
// Posted to the wizard to fill the terms memo once the messages before it are handled.
constexpr UINT kShowTermsMessage = WM_APP + 1;

constexpr gui::FormDesign kDesign{"FSetup",
                                  "Installation:",
                                  363,
                                  403,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  {"MS Sans Serif", -11, false}};

}  // namespace

void TFSetup::Create() {
  gui::Application::Instance().CreateForm(*this, kDesign);
}

void TFSetup::FormCreate() {
  BindHandlers();
  const SIZE size = OuterSize();
  const POINT at = CenterOnPrimaryMonitor(size.cx, size.cy);
  MoveTo(at.x, at.y);

  CReg::Instance()->ReadString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                               "ProgramFilesDir", programFilesDir, sizeof programFilesDir);

  if (!LoadSetupArchive() || !VerifyArchiveChecksum() || !CheckArchiveStructure() ||
      !LoadProductIdentity())
    return;
  HandOverHeader();

  box_language.SetItemIndex(static_cast<int>(CLang::GetLanguage()));
  ShowPage(TabSheet1);
  Label2.SetText(kBanner);
  Button3.SetEnabled(false);
  wizardStep = 0;

  CLog::Instance()->Log(1, kUnit, 189, "checking for registered versions");
  if (!CheckEarlierInstallation()) return;
  // Bound once the language is settled: an adopted installation has bound them in its.
  if (!adopted_) UpdateWizardTexts();
  CLog::Instance()->Log(1, kUnit, 298, "finished FormCreate");
}

void TFSetup::FormDestroy() {
  CReg::FreeInstance();
}

void TFSetup::Button4Click() {
  // The dialog writes Edit1 on OK; the figures then follow the directory now there.
  if (FSelectDirectory != nullptr) FSelectDirectory->Open();
  UpdateWizardTexts();
}

std::array<std::uint32_t, 3> TFSetup::BodyLengths() const {
  return {segments[0].length, segments[1].length, segments[2].length};
}

void TFSetup::ShowPage(gui::Panel& page) {
  gui::Panel* all[] = {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4, &TabSheet5, &TabSheet6};
  for (gui::Panel* p : all)
    if (p != &page) p->Hide();
  if (&page == &TabSheet6) ShowPendingTerms();
  page.Show();
}

void TFSetup::UpdateWizardTexts() {
  Label3.SetText(CLang::GetText(kMsgChooseLanguage));
  Label4.SetText(CLang::GetText(kMsgInstallDirectory));
  Label5.SetText(CLang::GetText(kMsgProgress));
  Label6.SetText(CLang::GetText(kMsgInstallSucceeded));
  Label7.SetText(CLang::GetText(kMsgInstallFailed));
  Label9.SetText(CLang::GetText(kMsgStartMenuGroup));
  lbl_disclaimer.SetText(CLang::GetText(kMsgTermsOfUse));
  chk_disclaimer.SetText(CLang::GetText(kMsgTermsRead));
  chk_disclaimer2.SetText(CLang::GetText(kMsgTermsAccepted));

  lbl_neededmem_caption.SetText(CLang::GetText(kMsgRequiredSpace));
  lbl_availmem_caption.SetText(CLang::GetText(kMsgAvailableSpace));
  const setup::DiskFigures figures = setup::DiskFiguresOf(BodyLengths(), Edit1.Text());
  lbl_neededmem.SetText(figures.required);
  lbl_availmem.SetText(figures.available);

  radio_current_user.SetText(CLang::GetText(kMsgScopeCurrentUser));
  radio_all_users.SetText(CLang::GetText(kMsgScopeAllUsers));
  CheckBox3.SetText(CLang::GetText(kMsgDesktopIcon));
  CheckBox4.SetText(CLang::GetText(kMsgShowImportantInfo));
  Button1.SetText(CLang::GetText(wizardStep == 2 ? kMsgStart : kMsgNext));
  Button2.SetText(CLang::GetText(kMsgCancel));
  Button3.SetText(CLang::GetText(kMsgBack));

  // Terms of use: both blocks are read every time, only the chosen language's shown;
  // where the cursor stops is where the directory table begins.
  const bool english = box_language.ItemIndex() == 1;
  ArchiveCursor.Seek(1, archive::SetupHeader::kSize);
  memo_disclaimer.Clear();
  for (std::uint32_t language = 0; language < archive::kLanguageCount; ++language) {
    if (language == 1 && english) memo_disclaimer.Clear();
    std::uint32_t lines = 0;
    if (!ArchiveCursor.ReadU32(lines)) break;  // the load-time check makes this unreachable
    for (std::uint32_t i = 0; i < lines; ++i) {
      const char* line = nullptr;
      if (!ArchiveCursor.ReadText(line)) break;
      if (language == 0 || english) memo_disclaimer.AddLine(line);
    }
  }
  directoryTableOffset = ArchiveCursor.offset();
  termsPending_ = true;
  if (TabSheet6.Visible())
    ShowPendingTerms();
  else if (hwnd() != nullptr && !setup::Unattended())  // a run without questions never shows them
    PostMessageA(hwnd(), kShowTermsMessage, 0, 0);
}

void TFSetup::ShowPendingTerms() {
  if (!termsPending_) return;
  termsPending_ = false;
  memo_disclaimer.EndUpdate();
}

LRESULT TFSetup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kShowTermsMessage) {
    ShowPendingTerms();
    return 0;
  }
  return Form::HandleMessage(message, wParam, lParam);
}
