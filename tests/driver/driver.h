// The outside driver of the end-to-end tests: starts a Windows program under test,
// finds its forms, controls and message boxes, reads what a user would see and acts
// as a user would. Every query goes through calls Windows carries across processes.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_readers_win.h"

namespace driver {

using Milliseconds = std::chrono::milliseconds;
inline constexpr Milliseconds kDefaultTimeout{15000};

// The program did not do in time what the test expects, or a user could not do that.
struct DriverError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

using Description = std::function<std::string()>;
// Polls `done` until true; throws DriverError("timed out ... waiting for <what>").
void WaitUntil(const std::function<bool()>& done, const Description& what,
               Milliseconds timeout = kDefaultTimeout);
inline void WaitUntil(const std::function<bool()>& done, const std::string& what,
                      Milliseconds timeout = kDefaultTimeout) {
  WaitUntil(done, Description([what] { return what; }), timeout);
}

std::string WinePath(const std::string& path);  // a build artefact's "/a/b" -> "Z:\a\b"
using test_support::FileExists;

// A new folder C:\<prefix>-<pid>-<n>, removed with its contents (unless
// TDM_E2E_KEEP is set) when the object goes away.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& prefix = "tdm-e2e");
  ScratchDirectory(const ScratchDirectory&) = delete;
  ~ScratchDirectory();
  const std::string& Path() const { return path_; }  // no trailing backslash
  std::string PathOf(const std::string& name) const { return path_ + "\\" + name; }
  // Copies `source` in under `name`; returns the new path.
  std::string CopyIn(const std::string& source, const std::string& name) const;

 private:
  std::string path_;
};

// Killed when the object goes away: no Setup.exe outlives its test.
class Process {
 public:
  // `commandLine` goes to CreateProcessA as it is; throws DriverError on failure.
  static Process Start(const std::string& commandLine, const std::string& workingDirectory = {});
  Process(Process&& other) noexcept;
  ~Process();

  DWORD Id() const { return id_; }
  bool IsRunning() const {
    return handle_ != nullptr && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
  }
  DWORD WaitForExit(Milliseconds timeout = kDefaultTimeout) const;  // throws on timeout
  // The same, meanwhile watching the process's top-level windows: each one it shows
  // is described into `shown` once.
  DWORD WaitForExitWatchingWindows(std::vector<std::string>& shown,
                                   Milliseconds timeout = kDefaultTimeout) const;
  void Kill() const;

 private:
  Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// A window of the program under test (non-owning). Forms and controls carry their
// name in the window property "TdmName", a global atom.
class Window {
 public:
  Window() = default;
  explicit Window(HWND handle) : handle_(handle) {}

  HWND Handle() const { return handle_; }
  bool Exists() const { return handle_ != nullptr && IsWindow(handle_); }
  std::string Name() const;  // empty when it carries none
  std::string ClassName() const;
  std::string Describe() const;  // for failure messages
  Window Owner() const { return Window(GetWindow(handle_, GW_OWNER)); }
  Window Child(const std::string& name) const;  // throws DriverError when missing

  std::string Text() const;  // caption or edit contents, Windows-1252 bytes
  bool IsVisible() const { return IsWindowVisible(handle_) != FALSE; }  // and its parents
  bool IsEnabled() const { return IsWindowEnabled(handle_) != FALSE; }
  bool IsChecked() const;

  // Each throws DriverError when the control is gone, hidden, disabled or behind a
  // modal box, and returns as SendAsUser does (the installation runs inside a click).
  void Click() const;
  void SetChecked(bool checked) const;
  void Type(const std::string& text) const;  // replaces the whole text, as typed
  void SelectComboItem(int index) const;
  void Close() const;                    // the close box of a top-level window
  void PressKey(WORD virtualKey) const;  // posted, as the keyboard delivers it

 private:
  HWND handle_ = nullptr;
};

std::vector<Window> TopLevelWindowsOf(DWORD processId);  // the shown ones, in z-order

// Sends `message` the way user input reaches a program: returns when the receiver
// has handled it, shows a new top-level window, ends, or is still busy after
// `patience`. Never blocks on a modal box.
void SendAsUser(Window target, UINT message, WPARAM wParam, LPARAM lParam,
                Milliseconds patience = Milliseconds{5000});

// A message box (MessageBoxA): its text in the static control 0xFFFF.
struct MessageBoxWindow {
  Window window;
  std::string Caption() const { return window.Text(); }
  std::string Text() const { return Window(GetDlgItem(window.Handle(), 0xFFFF)).Text(); }
  void Press(int buttonId = IDOK) const { Window(GetDlgItem(window.Handle(), buttonId)).Click(); }
};

// The program under test with its windows.
class App {
 public:
  explicit App(Process process) : process_(std::move(process)) {}
  static App Start(const std::string& program, const std::string& arguments = {},
                   const std::string& workingDirectory = {});
  const Process& GetProcess() const { return process_; }
  DWORD WaitForExit(Milliseconds timeout = kDefaultTimeout) const {
    return process_.WaitForExit(timeout);
  }

  std::vector<Window> TopLevelWindows() const { return TopLevelWindowsOf(process_.Id()); }
  std::optional<Window> FindForm(const std::string& name) const;  // by TdmName
  std::optional<MessageBoxWindow> FindMessageBox() const;
  Window Focus() const;  // the control with the keyboard focus in the program's GUI thread
  Window WaitForForm(const std::string& name, Milliseconds timeout = kDefaultTimeout) const;
  MessageBoxWindow WaitForMessageBox(Milliseconds timeout = kDefaultTimeout) const;
  void WaitForFormGone(const std::string& name, Milliseconds timeout = kDefaultTimeout) const;

 private:
  Process process_;
};

}  // namespace driver
