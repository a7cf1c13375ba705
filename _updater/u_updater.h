// TFUpdater: the updater's window. The network work and the apply run on a worker
// thread; what it reports comes back through the message queue, so the window stays
// responsive and its close button cancels a download at any moment.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls.h"
#include "form.h"
#include "s_handle_win.h"
#include "update_session_win.h"
#include "updater_command.h"
#include "updater_flow.h"

namespace updater::ids {
enum : int {
  lbl_log = 2001,
  memo_log,
  lbl_server_caption,
  lbl_server,
  lbl_size_caption,
  lbl_size,
  progress,
  chk_automatic,
  btn_check,
  btn_start,
  btn_options,
  btn_close
};
}  // namespace updater::ids

class TFUpdater : public gui::Form, private updater::SessionObserver {
 public:
  TFUpdater(const updater::Installation& installation, const updater::UpdaterCommand& command,
            bool elevated);
  ~TFUpdater() override;
  void Create();

  gui::Label lbl_log, lbl_server_caption, lbl_server, lbl_size_caption, lbl_size;
  gui::Memo memo_log;
  gui::ProgressBar progress;
  gui::CheckBox chk_automatic;
  gui::Button btn_check, btn_start, btn_options, btn_close;

 protected:
  void CreateControls() override;
  void FormCreate() override;
  bool CanClose() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  struct Event {
    enum Kind { kLine, kServer, kSize, kProgress, kApplying, kEnd } kind;
    std::string text;
    std::uint64_t done = 0, total = 0;
  };
  void Line(const std::string& text) override;
  void Server(const std::string& name) override;
  void UpdateSize(const std::string& text) override;
  void Progress(std::uint64_t done, std::uint64_t total) override;
  void Post(Event event);
  void TakeEvents();
  void Finished();
  void AddLine(const std::string& text);

  void CheckClick();
  void StartClick();
  void OptionsClick();
  void CloseClick();
  // A file of the installed release: as the index names it once a check read one.
  std::string InstalledProgram(bool options) const;
  void SetPhase(updater::Phase phase);
  void ShowTransfer(std::uint64_t done, std::uint64_t total);
  static DWORD WINAPI Work(void* form);
  void RunWork();

  updater::Installation installation_;
  updater::UpdaterCommand command_;
  bool elevated_ = false;
  std::unique_ptr<updater::UpdateSession> session_;
  handles::Handle worker_;
  updater::SessionResult result_;
  // Guards events_. A slim lock needs no cleanup; std::mutex would bring libstdc++'s
  // system_error and its strings.
  SRWLOCK eventsLock_ = SRWLOCK_INIT;
  std::vector<Event> events_;
  updater::Phase phase_ = updater::Phase::kIdle;
  bool closeWanted_ = false;  // the close box was used during the work
  // The downloads' figures: when the first progress came and how far it was then, and
  // when the size line was last written.
  ULONGLONG transferStart_ = 0, transferShown_ = 0;
  std::uint64_t transferFrom_ = 0;
};
