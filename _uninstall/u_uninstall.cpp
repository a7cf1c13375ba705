#include "u_uninstall.h"

#include "application.h"
#include "message_box.h"
#include "s_lang.h"
#include "s_monitor_win.h"

namespace {

constexpr gui::FormDesign kDesign{"FUninstall",
                                  "",
                                  363,
                                  265,
                                  WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER,
                                  {"MS Sans Serif", -11, false}};
constexpr int kShownFailures = 10;

const char* Msg(std::uint32_t id) {
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

}  // namespace

void TFUninstall::Create() {
  gui::Application::Instance().CreateForm(*this, kDesign);
}

void TFUninstall::CreateControls() {
  namespace ids = uninstall::ids;
  using gui::Align;
  HFONT bold = FormFont({"MS Sans Serif", -11, true});
  HFONT plain = font();
  Button1.Create({"Button1", ids::Button1, this, 240, 224, 105, 25, bold, Align::Center, 0});
  Button2.Create({"Button2", ids::Button2, this, 16, 224, 105, 25, bold, Align::Center, 1});
  Label1.Create({"Label1", ids::Label1, this, 16, 24, 329, 13, bold, Align::Center});
  Label2.Create({"Label2", ids::Label2, this, 16, 56, 329, 13, plain, Align::Center});
  chk_confirm.Create(
      {"chk_confirm", ids::chk_confirm, this, 24, 88, 313, 17, bold, Align::Left, 2});
  chk_savegames.Create(
      {"chk_savegames", ids::chk_savegames, this, 24, 112, 313, 17, plain, Align::Left, 3});
  Label3.Create({"Label3", ids::Label3, this, 16, 148, 329, 13, bold, Align::Left});
  ProgressBar1.Create({"ProgressBar1", ids::ProgressBar1, this, 16, 166, 329, 16, plain});
  lbl_progress.Create({"lbl_progress", ids::lbl_progress, this, 16, 190, 329, 13, plain});
}

void TFUninstall::FormCreate() {
  const POINT at = CenterOnPrimaryMonitor(clientWidth(), clientHeight());
  MoveTo(at.x, at.y);
  SetText(Msg(100));
  Label1.SetText(Msg(101));
  Label2.SetText(Msg(104));
  chk_confirm.SetText(Msg(102));
  chk_savegames.SetText(Msg(103));
  Label3.SetText(Msg(105));
  Button1.SetText(Msg(kMsgStart));
  Button2.SetText(Msg(kMsgCancel));
  Button1.SetEnabled(false);
  chk_confirm.onClick = [this] { Button1.SetEnabled(finished_ || chk_confirm.Checked()); };
  Button1.onClick = [this] { Button1Click(); };
  Button2.onClick = [this] { Close(); };
}

void TFUninstall::Button1Click() {
  if (finished_) {
    Close();
    return;
  }
  running_ = true;
  Button1.SetEnabled(false);
  Button2.Hide();
  chk_confirm.SetEnabled(false);
  chk_savegames.SetEnabled(false);
  const uninstall::RemovalOutcome outcome =
      uninstall::RemoveInstallation(installation_, {chk_savegames.Checked(), false, &lock_}, *this);
  succeeded_ = outcome.ok;
  running_ = false;
  finished_ = true;
  lbl_progress.SetText(Msg(succeeded_ ? 107 : 106));
  if (outcome.refused) {
    // Emptying it would reach beyond this game: nothing was removed.
    gui::ShowMessageBox(nullptr, (std::string(Msg(106)) + "\n" + installation_.dir).c_str(),
                        Msg(kMsgError), MB_OK);
  } else if (!failures_.empty()) {
    if (failureCount_ > kShownFailures)
      failures_ += "(+" + std::to_string(failureCount_ - kShownFailures) + ")";
    gui::ShowMessageBox(nullptr, failures_.c_str(), Msg(kMsgError), MB_OK);
  }
  Button1.SetText(Msg(kMsgFinished));
  Button1.SetEnabled(true);
}

void TFUninstall::Status(const char* text) {
  lbl_progress.SetText(text);
  lbl_progress.Repaint();
  gui::Application::Instance().ProcessMessages();
}

void TFUninstall::Progress(std::uint32_t done, std::uint32_t total) {
  ProgressBar1.SetMax(total);
  ProgressBar1.SetPosition(done);
  ProgressBar1.Repaint();
  gui::Application::Instance().ProcessMessages();
}

void TFUninstall::Failed(const std::string& what, std::uint32_t messageId) {
  if (++failureCount_ > kShownFailures) return;
  if (messageId != lastMessage_) failures_ += std::string(Msg(lastMessage_ = messageId)) + "\n";
  failures_ += what + "\n";
}
