#include "u_splash.h"

#include <windows.h>

#include "application.h"
#include "control_ids.h"
#include "s_lang.h"
#include "s_lang_user.h"
#include "s_monitor_win.h"

TFSplash* FSplash = nullptr;

namespace {

constexpr gui::FormDesign kDesign{"FSplash",
                                  "Installation:",
                                  335,
                                  99,
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                  {"MS Sans Serif", -11, false}};

}  // namespace

void TFSplash::Create() {
  // Owned by the application window, which carries the task-bar button.
  CreateForm(kDesign, gui::Application::Instance().Handle());
}

void TFSplash::CreateControls() {
  namespace ids = setup::ids;
  // Two lines' room: a translation may wrap.
  lbl_info.Create({"lbl_info", ids::lbl_info, this, 8, 28, 321, 34,
                   FormFont({"MS Sans Serif", -13, true}), gui::Align::Center});
  bar_progress.Create({"bar_progress", ids::bar_progress, this, 16, 64, 305, 17, font()});
}

void TFSplash::FormCreate() {
  const SIZE size = OuterSize();
  const POINT at = CenterOnPrimaryMonitor(size.cx, size.cy);
  MoveTo(at.x, at.y);
  CLang::SetLanguage(LanguageForUserLangId(GetUserDefaultLangID()));
  lbl_info.SetText(CLang::GetText(kMsgPleaseWait));
}
