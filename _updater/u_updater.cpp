#include "u_updater.h"

#include <objbase.h>
#include <shellapi.h>

#include "application.h"
#include "elevated_apply_win.h"
#include "installation_win.h"
#include "message_box.h"
#include "s_lang.h"
#include "s_lang_ids.h"
#include "s_logging.h"
#include "s_monitor_win.h"
#include "size_text.h"
#include "update_files_win.h"
#include "updater_msg_ids.h"
#include "user_settings_win.h"

namespace {

constexpr gui::FormDesign kDesign{"FUpdater",
                                  "",
                                  480,
                                  372,
                                  WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER,
                                  {"MS Sans Serif", -11, false}};
constexpr UINT kWmEvents = WM_APP + 1;
constexpr UINT kWmAutoCheck = WM_APP + 2;
constexpr char kUnit[] = "_updater/u_updater";

class ExclusiveHold {
 public:
  explicit ExclusiveHold(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~ExclusiveHold() { ReleaseSRWLockExclusive(&lock_); }
  ExclusiveHold(const ExclusiveHold&) = delete;
  ExclusiveHold& operator=(const ExclusiveHold&) = delete;

 private:
  SRWLOCK& lock_;
};

const char* Msg(std::uint32_t id) {
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool StartProgram(const std::string& path, const std::string& folder) {
  if (!FileExists(path)) return false;
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = "open";
  execute.lpFile = path.c_str();
  execute.lpDirectory = folder.c_str();
  execute.nShow = SW_SHOWNORMAL;
  return ShellExecuteExA(&execute) != 0;
}

}  // namespace

TFUpdater::TFUpdater(const updater::Installation& installation,
                     const updater::UpdaterCommand& command, bool elevated)
    : installation_(installation), command_(command), elevated_(elevated) {}

TFUpdater::~TFUpdater() {
  if (worker_) {
    if (session_) session_->Cancel();
    WaitForSingleObject(worker_.get(), INFINITE);
  }
}

void TFUpdater::Create() {
  gui::Application::Instance().CreateForm(*this, kDesign);
}

void TFUpdater::CreateControls() {
  namespace ids = updater::ids;
  using gui::Align;
  HFONT bold = FormFont({"MS Sans Serif", -11, true});
  HFONT plain = font();
  lbl_log.Create({"lbl_log", ids::lbl_log, this, 16, 12, 448, 13, bold, Align::Left});
  memo_log.Create({"memo_log", ids::memo_log, this, 16, 30, 448, 180, plain, Align::Left, 0});
  lbl_server_caption.Create(
      {"lbl_server_caption", ids::lbl_server_caption, this, 16, 220, 110, 13, bold, Align::Left});
  lbl_server.Create({"lbl_server", ids::lbl_server, this, 130, 220, 334, 13, plain, Align::Left});
  lbl_size_caption.Create(
      {"lbl_size_caption", ids::lbl_size_caption, this, 16, 240, 110, 13, bold, Align::Left});
  lbl_size.Create({"lbl_size", ids::lbl_size, this, 130, 240, 334, 13, plain, Align::Left});
  progress.Create({"progress", ids::progress, this, 16, 262, 448, 16, plain});
  chk_automatic.Create(
      {"chk_automatic", ids::chk_automatic, this, 16, 290, 448, 17, plain, Align::Left, 1});
  btn_check.Create({"btn_check", ids::btn_check, this, 16, 328, 105, 25, bold, Align::Center, 2});
  btn_start.Create({"btn_start", ids::btn_start, this, 130, 328, 105, 25, bold, Align::Center, 3});
  btn_options.Create(
      {"btn_options", ids::btn_options, this, 244, 328, 105, 25, plain, Align::Center, 4});
  btn_close.Create({"btn_close", ids::btn_close, this, 359, 328, 105, 25, plain, Align::Center, 5});
}

void TFUpdater::FormCreate() {
  const POINT at = CenterOnPrimaryMonitor(clientWidth(), clientHeight());
  MoveTo(at.x, at.y);
  SetText(gui::Application::Instance().Title());
  lbl_log.SetText(Msg(kMsgActionLog));
  lbl_server_caption.SetText(Msg(kMsgUpdateServer));
  lbl_size_caption.SetText(Msg(kMsgUpdateSize));
  chk_automatic.SetText(Msg(kMsgLoadAutomatically));
  btn_check.SetText(Msg(kMsgCheckVersion));
  btn_start.SetText(Msg(kMsgStartGame));
  btn_options.SetText(Msg(kMsgOptions));
  btn_close.SetText(Msg(kMsgClose));
  chk_automatic.SetChecked(updater::CheckAutomatically());
  chk_automatic.onClick = [this] { updater::SetCheckAutomatically(chk_automatic.Checked()); };
  btn_check.onClick = [this] { CheckClick(); };
  btn_start.onClick = [this] { StartClick(); };
  btn_options.onClick = [this] { OptionsClick(); };
  btn_close.onClick = [this] { CloseClick(); };
  // Until an index names its mirrors, the server is the one the program carries.
  std::string url;
  feed::PublicKey key{};
  if (updater::LoadFeedResources(url, key)) lbl_server.SetText(updater::ServerName(url));
  if (installation_.versionKnown)
    AddLine(Msg(kMsgInstalledClientVersion) + updater::VersionText(installation_.version));
  AddLine(Msg(kMsgPressCheckVersion));
  SetPhase(updater::Phase::kIdle);
  if (chk_automatic.Checked() || command_.continued) PostMessageA(hwnd(), kWmAutoCheck, 0, 0);
}

void TFUpdater::SetPhase(updater::Phase phase) {
  phase_ = phase;
  // Options only when the release's settings program is there to start.
  const std::string settings = InstalledProgram(true);
  const updater::Buttons buttons = updater::ButtonsFor(phase, FileExists(settings));
  btn_check.SetEnabled(buttons.check);
  btn_start.SetEnabled(buttons.start);
  btn_options.SetEnabled(buttons.options);
  btn_close.SetEnabled(buttons.close || buttons.closeCancels);
  btn_close.SetText(Msg(buttons.closeCancels ? kMsgCancel : kMsgClose));
  if (phase == updater::Phase::kCancelling) btn_close.SetEnabled(false);
}

// What has arrived, how fast and how long the rest takes, written at the display's pace
// (at most once a frame) and always at the end.
void TFUpdater::ShowTransfer(std::uint64_t done, std::uint64_t total) {
  constexpr ULONGLONG kFrameMs = 16;
  const ULONGLONG now = GetTickCount64();
  if (transferStart_ == 0) {
    transferStart_ = now;
    transferFrom_ = done;
  }
  if (now - transferShown_ < kFrameMs && done < total) return;
  transferShown_ = now;
  lbl_size.SetText(updater::TransferLine(
      done, total, done >= transferFrom_ ? done - transferFrom_ : 0, now - transferStart_));
}

void TFUpdater::AddLine(const std::string& text) {
  // A catalogue text may hold line breaks of its own.
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find('\n', start);
    memo_log.AddLine(text.substr(start, end == std::string::npos ? end : end - start).c_str());
    if (end == std::string::npos) break;
    start = end + 1;
  }
  memo_log.EndUpdate();
  SendMessageA(memo_log.hwnd(), EM_LINESCROLL, 0, 0xFFFF);
}

void TFUpdater::CheckClick() {
  if (worker_) return;
  lbl_size.SetText("");
  progress.SetPosition(0);
  transferStart_ = transferShown_ = 0;
  updater::SessionObserver& observer = *this;
  session_ = std::make_unique<updater::UpdateSession>(installation_, observer, elevated_);
  SetPhase(updater::Phase::kWorking);
  worker_.reset(CreateThread(nullptr, 0, &TFUpdater::Work, this, 0, nullptr));
  if (!worker_) {
    AddLine(std::string(Msg(kMsgUnexpectedException)) + "CreateThread");
    SetPhase(updater::Phase::kIdle);
  }
}

DWORD WINAPI TFUpdater::Work(void* form) {
  // ShellExecuteEx (the elevated child) and the links of an apply use COM; a
  // single-threaded apartment is what the shell's objects expect.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  static_cast<TFUpdater*>(form)->RunWork();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

// On the worker thread: nothing here touches a window; what it has to say is posted.
void TFUpdater::RunWork() {
  try {
    result_ = session_->CheckAndDownload();
    if (result_.selfUpdateElevated) {
      const updater::Finish finish = updater::RunElevatedApply(installation_.directory, command_,
                                                               session_->DownloadFolder(), true);
      if (finish == updater::Finish::kUpdated)
        Line(Msg(kMsgUpdaterDownloaded));
      else if (finish == updater::Finish::kFolderUnprotected)
        Line(Msg(kMsgFolderStartAsAdministrator));
      else
        Line(Msg(kMsgCannotCopyUpdater));
      result_ = {finish, false, finish == updater::Finish::kUpdated, false};
    } else if (result_.readyToApply) {
      Post({Event::kApplying, {}});
      if (session_->NeedsElevatedApply()) {
        Line(Msg(kMsgInstallingFiles));
        const updater::Finish finish = updater::RunElevatedApply(installation_.directory, command_,
                                                                 session_->DownloadFolder());
        const updater::ApplyReport report = updater::DescribeElevatedApply(finish);
        for (const std::uint32_t id : report.messages) Line(Msg(id));
        if (finish == updater::Finish::kUpdated)
          updater::RemoveUserDownloads(session_->DownloadFolder());
        result_ = {report.finish, false, false,
                   report.askPatchNotes && session_->PatchNotesInPlace()};
      } else {
        result_ = session_->ApplyHere();
      }
    }
  } catch (const std::exception& error) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "exception: %s", error.what());
    Line(std::string(Msg(kMsgUnexpectedException)) + error.what());
    result_ = {updater::Finish::kFailed};
  }
  Post({Event::kEnd, {}});
}

void TFUpdater::Line(const std::string& text) {
  Post({Event::kLine, text});
}
void TFUpdater::Server(const std::string& name) {
  Post({Event::kServer, name});
}
void TFUpdater::UpdateSize(const std::string& text) {
  Post({Event::kSize, text});
}
void TFUpdater::Progress(std::uint64_t done, std::uint64_t total) {
  Post({Event::kProgress, {}, done, total});
}

void TFUpdater::Post(Event event) {
  const ExclusiveHold hold(eventsLock_);
  // Progress only needs its newest value.
  if (event.kind == Event::kProgress && !events_.empty() && events_.back().kind == Event::kProgress)
    events_.back() = std::move(event);
  else
    events_.push_back(std::move(event));
  if (events_.size() == 1) PostMessageA(hwnd(), kWmEvents, 0, 0);
}

void TFUpdater::TakeEvents() {
  std::vector<Event> events;
  {
    const ExclusiveHold hold(eventsLock_);
    events.swap(events_);
  }
  for (const Event& event : events) switch (event.kind) {
      case Event::kLine:
        AddLine(event.text);
        break;
      case Event::kServer:
        lbl_server.SetText(event.text);
        break;
      case Event::kSize:
        lbl_size.SetText(event.text);
        break;
      case Event::kProgress: {
        // The bar counts kilobytes: 32 bits of them are more than any release.
        progress.SetMax(static_cast<std::uint32_t>(event.total / 1024 + 1));
        progress.SetPosition(static_cast<std::uint32_t>(event.done / 1024));
        ShowTransfer(event.done, event.total);
        break;
      }
      case Event::kApplying:
        SetPhase(updater::Phase::kApplying);
        break;
      case Event::kEnd:
        Finished();
        break;
    }
}

void TFUpdater::Finished() {
  WaitForSingleObject(worker_.get(), INFINITE);
  worker_.reset();
  const bool closing = phase_ == updater::Phase::kCancelling && closeWanted_;
  SetPhase(updater::Phase::kIdle);
  if (result_.restartSelf) {
    updater::UpdaterCommand next = command_;
    next.continued = true;
    std::string tail = "/continue";
    if (next.debug) tail += " -debug";
    const std::string own = updater::OwnPath();
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", own.c_str(), tail.c_str(),
                                                updater::FolderOf(own).c_str(), SW_SHOWNORMAL)) >
        32) {
      Close();
      return;
    }
    AddLine(Msg(kMsgCannotCopyUpdater));
  }
  if (closing) {
    Close();
    return;
  }
  if (result_.askPatchNotes &&
      gui::ShowMessageBox(hwnd(), Msg(kMsgReadPatchNotes), Msg(kMsgUpdateFinished),
                          MB_YESNO | MB_ICONQUESTION) == IDYES) {
    const std::string notes =
        "\"" + installation_.directory + "\\" + Msg(kMsgPatchNotesFile) + "\"";
    ShellExecuteA(hwnd(), "open", "notepad.exe", notes.c_str(), installation_.directory.c_str(),
                  SW_SHOWNORMAL);
  }
}

LRESULT TFUpdater::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kWmEvents) {
    gui::Guarded([this] { TakeEvents(); });
    return 0;
  }
  if (message == kWmAutoCheck) {
    gui::Guarded([this] { CheckClick(); });
    return 0;
  }
  return Form::HandleMessage(message, wParam, lParam);
}

bool TFUpdater::CanClose() {
  if (!worker_) return true;
  // The close box during a download cancels it; the window closes once the work ends.
  // An apply under way is never cut short from here.
  if (phase_ == updater::Phase::kWorking) {
    closeWanted_ = true;
    session_->Cancel();
    SetPhase(updater::Phase::kCancelling);
  }
  return false;
}

void TFUpdater::CloseClick() {
  if (!worker_) {
    Close();
    return;
  }
  if (phase_ == updater::Phase::kWorking) {
    session_->Cancel();
    SetPhase(updater::Phase::kCancelling);
  }
}

std::string TFUpdater::InstalledProgram(bool options) const {
  const feed::Release* release = session_ ? session_->target() : nullptr;
  return installation_.directory + "\\" +
         (options ? updater::OptionsProgram(release) : updater::ClientProgram(release));
}

void TFUpdater::StartClick() {
  const std::string client = InstalledProgram(false);
  if (!StartProgram(client, installation_.directory)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "cannot start %s", client.c_str());
    AddLine(Msg(kMsgCannotStartClient));
    return;
  }
  Close();
}

void TFUpdater::OptionsClick() {
  const std::string options = InstalledProgram(true);
  if (!StartProgram(options, installation_.directory)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "cannot start %s", options.c_str());
    AddLine(Msg(kMsgOptionsProgramMissing));
  }
}
