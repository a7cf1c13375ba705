// TFUninstall: the uninstaller's window, in the wizard's style. The uninstall button
// waits for the confirmation box; the second box also removes the player's files.
#pragma once

#include <string>

#include "controls.h"
#include "form.h"
#include "uninstall_work_win.h"

namespace uninstall::ids {
enum : int {
  Label1 = 1001,
  Label2,
  chk_confirm,
  chk_savegames,
  Label3,
  ProgressBar1,
  lbl_progress,
  Button1,
  Button2
};
}  // namespace uninstall::ids

class TFUninstall : public gui::Form, private uninstall::RemovalObserver {
 public:
  TFUninstall(const uninstall::Installation& installation, CProductLock& lock)
      : installation_(installation), lock_(lock) {}
  void Create();
  bool succeeded() const { return succeeded_; }

  gui::Label Label1, Label2, Label3, lbl_progress;
  gui::CheckBox chk_confirm, chk_savegames;
  gui::ProgressBar ProgressBar1;
  gui::Button Button1, Button2;

 protected:
  void CreateControls() override;
  void FormCreate() override;
  bool CanClose() override { return !running_; }

 private:
  void Button1Click();
  void Status(const char* text) override;
  void Progress(std::uint32_t done, std::uint32_t total) override;
  void Failed(const std::string& what, std::uint32_t messageId) override;

  uninstall::Installation installation_;
  CProductLock& lock_;
  std::string failures_;  // the first few, under the message of their kind
  std::uint32_t lastMessage_ = 0;
  int failureCount_ = 0;
  bool running_ = false, finished_ = false, succeeded_ = false;
};
