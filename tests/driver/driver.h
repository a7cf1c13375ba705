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
#include <vector>

namespace driver {

using Milliseconds = std::chrono::milliseconds;
inline constexpr Milliseconds kDefaultTimeout{15000};

// The program did not do what the test expects in time, or a user could not do that.
class DriverError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void PumpOwnMessages();  // this thread's, e.g. SendMessageCallback's completions
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
  ~ScratchDirectory();
  const std::string& Path() const { return path_; }  // no trailing backslash
  std::string PathOf(const std::string& name) const { return path_ + "\\" + name; }
  // Copies `source` in under `name` (default: its own name); returns the new path.
  std::string CopyIn(const std::string& source, const std::string& name = {}) const;

 private:
  std::string path_;
};

// --- The process, killed when the object goes away: no Setup.exe outlives its test.
struct StartOptions {
  std::string workingDirectory;  // empty: the test's own
};

class Process {
 public:
  // `commandLine` goes to CreateProcessA as it is; throws DriverError on failure.
  static Process Start(const std::string& commandLine, const StartOptions& options = {});
  Process(Process&& other) noexcept;
  Process& operator=(Process&&) = delete;
  ~Process();

  DWORD Id() const { return id_; }
  bool IsRunning() const {
    return handle_ != nullptr && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
  }
  DWORD WaitForExit(Milliseconds timeout = kDefaultTimeout) const;  // throws on timeout
  void Kill();

 private:
  Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// Program paths hold blanks but never quotes.
inline std::string QuoteArgument(const std::string& argument) {
  return argument.find_first_of(" \t") == std::string::npos ? argument : '"' + argument + '"';
}

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
  bool Exists() const { return handle_ != nullptr && IsWindow(handle_); }
  DWORD ProcessId() const;
  std::string Name() const;  // empty when it carries none
  std::string ClassName() const;
  int Id() const { return GetDlgCtrlID(handle_); }
  std::string Describe() const;  // the name, else class and id: for failure messages
  Window Parent() const { return Window(GetAncestor(handle_, GA_PARENT)); }
  Window Owner() const { return Window(GetWindow(handle_, GW_OWNER)); }
  std::optional<Window> FindChild(const std::string& name) const;
  Window Child(const std::string& name) const;  // throws DriverError when missing

  std::string Text() const;  // caption or edit contents, Windows-1252 bytes
  bool IsVisible() const { return IsWindowVisible(handle_) != FALSE; }  // and its parents
  bool IsEnabled() const { return IsWindowEnabled(handle_) != FALSE; }
  bool IsUsable() const;  // visible, enabled, no disabled parent (a modal box)
  LONG Style() const { return GetWindowLongA(handle_, GWL_STYLE); }
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
class MessageBoxWindow {
 public:
  explicit MessageBoxWindow(Window window) : window_(window) {}
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

  std::vector<Window> TopLevelWindows() const { return TopLevelWindowsOf(process_.Id()); }
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
