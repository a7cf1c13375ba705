// The outside driver of the end-to-end tests: starts a Windows program under test,
// finds its forms, controls and message boxes, reads what a user would see and acts
// as a user would. Everything here runs in the test's own process under Wine; every
// query goes through messages or calls that Windows carries across processes.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace driver {

using Milliseconds = std::chrono::milliseconds;
// Long enough for a loaded machine running Wine, short enough to fail a test quickly.
inline constexpr Milliseconds kDefaultTimeout{15000};

// The program under test did not do what the test expects in time, or the test asked
// for something a user could not do. GoogleTest reports the text as the failure.
class DriverError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Processes messages sent to this thread (SendMessageCallback's completions).
void PumpOwnMessages();
using Description = std::function<std::string()>;
// Polls `done` until true; throws DriverError("timed out ... waiting for <what>").
void WaitUntil(const std::function<bool()>& done, const Description& what,
               Milliseconds timeout = kDefaultTimeout);
inline void WaitUntil(const std::function<bool()>& done, const std::string& what,
                      Milliseconds timeout = kDefaultTimeout) {
  WaitUntil(done, Description([what] { return what; }), timeout);
}
template <class T>
T WaitFor(const std::function<std::optional<T>()>& find, const Description& what,
          Milliseconds timeout = kDefaultTimeout) {
  std::optional<T> found;
  WaitUntil([&] { return (found = find()).has_value(); }, what, timeout);
  return *found;
}

// --- Files, seen from inside Wine: build artefacts arrive as Unix paths, Z: is "/".
std::string WinePath(const std::string& path);  // "/a/b" -> "Z:\a\b"
bool FileExists(const std::string& path);
std::optional<std::string> ReadWholeFile(const std::string& path);

// A fresh folder C:\<prefix>-<pid>-<n>, removed with its contents (unless
// TDM_E2E_KEEP is set) when the object goes away.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& prefix = "tdm-e2e");
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory();
  const std::string& Path() const { return path_; }  // no trailing backslash
  std::string PathOf(const std::string& name) const { return path_ + "\\" + name; }
  // Copies `source` in under `name` (default: its own name); returns the new path.
  std::string CopyIn(const std::string& source, const std::string& name = {}) const;

 private:
  std::string path_;
};

// --- The process. Killed when the object goes away while it still runs, so a failed
// test never leaves a Setup.exe behind.
struct StartOptions {
  std::string workingDirectory;                                  // empty: the test's own
  std::vector<std::pair<std::string, std::string>> environment;  // added or replaced
};

class Process {
 public:
  // `commandLine` goes to CreateProcessA as it is; throws DriverError on failure.
  static Process Start(const std::string& commandLine, const StartOptions& options = {});
  Process(Process&& other) noexcept;
  Process& operator=(Process&&) = delete;
  ~Process();

  DWORD Id() const { return id_; }
  bool IsRunning() const;
  std::optional<DWORD> TryWaitForExit(Milliseconds timeout) const;
  DWORD WaitForExit(Milliseconds timeout = kDefaultTimeout) const;  // throws on timeout
  void Kill();

 private:
  Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

std::string QuoteArgument(const std::string& argument);

// --- A window of the program under test (non-owning). Forms and controls carry their
// name in the window property "TdmName", a global atom.
inline constexpr char kNameProperty[] = "TdmName";
inline constexpr char kDialogClass[] = "#32770";
inline constexpr int kMessageBoxTextId = 0xFFFF;  // the same in Windows and Wine

class Window {
 public:
  Window() = default;
  explicit Window(HWND handle) : handle_(handle) {}

  HWND Handle() const { return handle_; }
  bool Exists() const;
  DWORD ProcessId() const;
  std::string Name() const;  // empty when it carries none
  std::string ClassName() const;
  int Id() const;
  std::string Describe() const;  // the name, else class and id: for failure messages
  Window Parent() const;
  Window Owner() const;
  std::vector<Window> Descendants() const;
  std::optional<Window> FindChild(const std::string& name) const;
  Window Child(const std::string& name) const;  // throws DriverError when missing

  std::string Text() const;  // caption or edit contents, Windows-1252 bytes
  bool IsVisible() const;    // it and all its parents shown
  bool IsEnabled() const;
  bool IsUsable() const;  // visible, enabled, no disabled parent (a modal box)
  LONG Style() const;
  bool IsChecked() const;
  int ComboSelection() const;  // CB_ERR (-1) when nothing is selected
  std::vector<std::string> ComboItems() const;

  // Each throws DriverError when the control is not usable, and returns once the
  // program has handled the input, opened another window, ended, or after a few
  // seconds of work (the installation runs inside a click).
  void Click() const;
  void SetChecked(bool checked) const;
  void Type(const std::string& text) const;  // replaces the whole text, as typed
  void SelectComboItem(int index) const;
  void Close() const;  // the close box of a top-level window
  // Posted to this window's queue as the keyboard delivers it.
  void PressKey(WORD virtualKey) const;

 private:
  HWND handle_ = nullptr;
};

// The shown top-level windows of a process, in z-order.
std::vector<Window> TopLevelWindowsOf(DWORD processId);

// Sends `message` the way user input reaches a program: returns when the receiver
// has handled it, shows a new top-level window, ends, or is still busy after
// `patience`. Never blocks on a modal box.
void SendAsUser(Window target, UINT message, WPARAM wParam, LPARAM lParam,
                Milliseconds patience = Milliseconds{5000});

// A message box (MessageBoxA): its text in the static control 0xFFFF.
class MessageBoxWindow {
 public:
  explicit MessageBoxWindow(Window window) : window_(window) {}
  Window AsWindow() const { return window_; }
  bool Exists() const { return window_.Exists(); }
  std::string Caption() const { return window_.Text(); }
  std::string Text() const { return Item(kMessageBoxTextId).Text(); }
  Window Owner() const { return window_.Owner(); }
  void Press(int buttonId = IDOK) const { Item(buttonId).Click(); }

 private:
  Window Item(int id) const { return Window(GetDlgItem(window_.Handle(), id)); }
  Window window_;
};

// The program under test with its windows.
class App {
 public:
  explicit App(Process process) : process_(std::move(process)) {}
  static App Start(const std::string& program, const std::string& arguments = {},
                   const StartOptions& options = {});
  Process& GetProcess() { return process_; }
  const Process& GetProcess() const { return process_; }
  DWORD WaitForExit(Milliseconds timeout = kDefaultTimeout) const {
    return process_.WaitForExit(timeout);
  }

  std::vector<Window> TopLevelWindows() const;  // the shown ones, in z-order
  // Shown windows that get a task-bar button: unowned and not tool windows, or
  // marked as application windows.
  std::vector<Window> TaskBarEntries() const;
  std::optional<Window> FindForm(const std::string& name) const;  // by TdmName
  std::optional<MessageBoxWindow> FindMessageBox() const;
  // The control that has the keyboard focus in the program's GUI thread.
  Window Focus() const;
  Window WaitForForm(const std::string& name, Milliseconds timeout = kDefaultTimeout) const;
  MessageBoxWindow WaitForMessageBox(Milliseconds timeout = kDefaultTimeout) const;
  void WaitForFormGone(const std::string& name, Milliseconds timeout = kDefaultTimeout) const;

 private:
  Process process_;
};

}  // namespace driver
