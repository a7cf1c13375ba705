// The outside driver: the program's process, its scratch folder, its windows as the
// test finds them, and the waiting for them. Windows of another process are read only
// with messages whose answer is the return value, or whose buffer Windows copies
// between processes (WM_GETTEXT). Input goes with SendMessageCallback: the test learns
// when the handler has finished, yet is not blocked when the handler opens a modal box.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>
#include <utility>

#include "driver.h"

namespace driver {

namespace {

// What the program shows instead, for the message of a wait that ran out.
std::string Shown(const App& app) {
  if (!app.GetProcess().IsRunning()) return " (the program has ended)";
  std::string shown = " (shown:";
  for (const Window& window : app.TopLevelWindows())
    shown += " \"" + window.Text() + "\" " + window.Describe() + ";";
  return shown + ")";
}

std::set<ULONG_PTR> handledTickets;

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<Window>*>(list)->emplace_back(child);
  return TRUE;
}

LRESULT Ask(const Window& window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window.Handle(), message, wParam, lParam, SMTO_NORMAL, 5000, &result))
    throw DriverError(window.Describe() + " did not answer message " + std::to_string(message));
  return static_cast<LRESULT>(result);
}

// A modal box disables the form under it, not the form's controls themselves.
void RequireUsable(const Window& control, const std::string& action) {
  bool usable = control.Exists() && control.IsVisible();
  for (HWND window = control.Handle(); usable && window != nullptr && window != GetDesktopWindow();
       window = GetAncestor(window, GA_PARENT))
    usable = IsWindowEnabled(window) != FALSE;
  if (!usable)
    throw DriverError("cannot " + action + " " + control.Describe() +
                      ": gone, hidden, disabled or behind a modal box");
}

void PumpOwnMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace

void WaitUntil(const std::function<bool()>& done, const Description& what, Milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (PumpOwnMessages(); !done(); PumpOwnMessages()) {
    if (std::chrono::steady_clock::now() >= deadline)
      throw DriverError("timed out after " + std::to_string(timeout.count()) + " ms waiting for " +
                        what());
    std::this_thread::sleep_for(Milliseconds{20});
  }
}

// Program paths hold blanks but never quotes.
App App::Start(const std::string& program, const std::string& arguments,
               const std::string& workingDirectory) {
  std::string commandLine = '"' + program + '"';
  if (!arguments.empty()) commandLine += " " + arguments;
  return App(Process::Start(commandLine, workingDirectory));
}

std::vector<Window> TopLevelWindowsOf(DWORD processId) {
  std::pair<DWORD, std::vector<Window>> collected{processId, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* into = reinterpret_cast<decltype(collected)*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == into->first && IsWindowVisible(window)) into->second.emplace_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&collected));
  return collected.second;
}

std::optional<Window> App::FindForm(const std::string& name) const {
  for (const Window& window : TopLevelWindows())
    if (window.Name() == name) return window;
  return std::nullopt;
}

Window App::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const std::vector<Window> windows = TopLevelWindows();
  if (windows.empty() ||
      !GetGUIThreadInfo(GetWindowThreadProcessId(windows[0].Handle(), nullptr), &info))
    return Window();
  return Window(info.hwndFocus);
}

std::optional<MessageBoxWindow> App::FindMessageBox() const {
  for (const Window& window : TopLevelWindows())
    if (window.ClassName() == "#32770" && GetDlgItem(window.Handle(), 0xFFFF) != nullptr)
      return MessageBoxWindow{window};
  return std::nullopt;
}

Window App::WaitForForm(const std::string& name, Milliseconds timeout) const {
  std::optional<Window> form;
  WaitUntil([&] { return (form = FindForm(name)).has_value(); },
            [&] { return "form " + name + " to be shown" + Shown(*this); }, timeout);
  return *form;
}

MessageBoxWindow App::WaitForMessageBox(Milliseconds timeout) const {
  std::optional<MessageBoxWindow> box;
  WaitUntil([&] { return (box = FindMessageBox()).has_value(); },
            [&] { return "a message box" + Shown(*this); }, timeout);
  return *box;
}

void App::WaitForFormGone(const std::string& name, Milliseconds timeout) const {
  WaitUntil([&] { return !FindForm(name).has_value(); },
            [&] { return "form " + name + " to close" + Shown(*this); }, timeout);
}

Process Process::Start(const std::string& commandLine, const std::string& workingDirectory) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  // Wine now and then refuses a start with ERROR_INTERNAL_ERROR while the previous
  // program of the test is still going away; a moment later the same start works.
  for (int attempt = 1;; ++attempt) {
    std::string mutableCommandLine = commandLine;  // CreateProcessA may write into it
    if (CreateProcessA(nullptr, mutableCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                       &created))
      break;
    const DWORD error = GetLastError();
    if (error != ERROR_INTERNAL_ERROR || attempt == 5)
      throw DriverError("cannot start " + commandLine + ": error " + std::to_string(error));
    Sleep(500);
  }
  // Wine starts a Unix program (say, "env LC_ALL=... wine Setup.exe") without giving
  // a handle to it, so such a child could be neither awaited nor killed.
  if (created.hProcess == nullptr)
    throw DriverError("started " + commandLine + " but got no process handle (a Unix program?)");
  CloseHandle(created.hThread);
  return Process(created.hProcess, created.dwProcessId);
}

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Process::~Process() {
  if (handle_ == nullptr) return;
  Kill();
  CloseHandle(handle_);
}

DWORD Process::WaitForExit(Milliseconds timeout) const {
  WaitUntil([&] { return !IsRunning(); }, "process " + std::to_string(id_) + " to end", timeout);
  DWORD code = 0;
  GetExitCodeProcess(handle_, &code);
  return code;
}

DWORD Process::WaitForExitWatchingWindows(std::vector<std::string>& shown,
                                          Milliseconds timeout) const {
  // A look every millisecond: Wine delivers no show events of another process to an
  // out-of-context hook, and a window shown at all stays up far longer than that.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::vector<HWND> seen;
  do {
    for (const Window& window : TopLevelWindowsOf(id_))
      if (std::find(seen.begin(), seen.end(), window.Handle()) == seen.end()) {
        seen.push_back(window.Handle());
        shown.push_back("visible: " + window.Describe());
      }
    if (std::chrono::steady_clock::now() >= deadline)
      throw DriverError("timed out waiting for process " + std::to_string(id_) + " to end");
  } while (WaitForSingleObject(handle_, 1) == WAIT_TIMEOUT);
  return WaitForExit(Milliseconds{0});  // ended: its code
}

void Process::Kill() const {
  if (!IsRunning()) return;
  TerminateProcess(handle_, 0xDEAD);
  WaitForSingleObject(handle_, 5000);
}

std::string WinePath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string converted = "Z:" + path;
  for (char& c : converted)
    if (c == '/') c = '\\';
  return converted;
}

ScratchDirectory::ScratchDirectory(const std::string& prefix) {
  static int count = 0;
  path_ =
      "C:\\" + prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
  if (!CreateDirectoryA(path_.c_str(), nullptr))
    throw DriverError("cannot create " + path_ + ": error " + std::to_string(GetLastError()));
}

ScratchDirectory::~ScratchDirectory() {
  if (std::getenv("TDM_E2E_KEEP") != nullptr) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDirectory::CopyIn(const std::string& source, const std::string& name) const {
  const std::string target = PathOf(name);
  if (!CopyFileA(source.c_str(), target.c_str(), FALSE))
    throw DriverError("cannot copy " + source + " to " + target + ": error " +
                      std::to_string(GetLastError()));
  return target;
}

// The property lives in the window manager and the atom in the global atom table,
// so both can be read from the test's process.
std::string Window::Name() const {
  const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(handle_, "TdmName")));
  if (atom == 0) return {};
  char name[256] = {};
  const UINT length = GlobalGetAtomNameA(atom, name, sizeof name);
  return std::string(name, length);
}

std::string Window::ClassName() const {
  char name[256] = {};
  const int length = GetClassNameA(handle_, name, sizeof name);
  return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string Window::Describe() const {
  const std::string name = Name();
  return !name.empty() ? name : ClassName() + " #" + std::to_string(GetDlgCtrlID(handle_));
}

Window Window::Child(const std::string& name) const {
  // A form makes the controls of the pages not shown yet right after its first paint,
  // before it handles any input: a control asked for meanwhile is waited for.
  const auto giveUp = std::chrono::steady_clock::now() + Milliseconds{5000};
  do {
    std::vector<Window> children;
    EnumChildWindows(handle_, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (const Window& child : children)
      if (child.Name() == name) return child;
    Sleep(2);
  } while (Exists() && std::chrono::steady_clock::now() < giveUp);
  throw DriverError("no control named " + name + " in " + Describe());
}

std::string Window::Text() const {
  std::string text(static_cast<size_t>(Ask(*this, WM_GETTEXTLENGTH)) + 1, '\0');
  const auto copied = Ask(*this, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

bool Window::IsChecked() const {
  return Ask(*this, BM_GETCHECK) == BST_CHECKED;
}

void SendAsUser(Window target, UINT message, WPARAM wParam, LPARAM lParam, Milliseconds patience) {
  static ULONG_PTR lastTicket = 0;
  const ULONG_PTR ticket = ++lastTicket;
  DWORD processId = 0;
  GetWindowThreadProcessId(target.Handle(), &processId);
  const std::vector<Window> before = TopLevelWindowsOf(processId);
  const auto opened = [&] {
    for (const Window& window : TopLevelWindowsOf(processId))
      if (std::none_of(before.begin(), before.end(),
                       [&](const Window& old) { return old.Handle() == window.Handle(); }))
        return true;
    return false;
  };
  const SENDASYNCPROC handled = [](HWND, UINT, ULONG_PTR done, LRESULT) {
    handledTickets.insert(done);
  };
  if (!SendMessageCallbackA(target.Handle(), message, wParam, lParam, handled, ticket))
    throw DriverError("cannot send message " + std::to_string(message) + " to " +
                      target.Describe());
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (std::chrono::steady_clock::now() < deadline) {
    PumpOwnMessages();
    if (handledTickets.erase(ticket) != 0 || !target.Exists() || opened()) return;
    std::this_thread::sleep_for(Milliseconds{10});
  }
}

void Window::Click() const {
  RequireUsable(*this, "click");
  SendAsUser(*this, BM_CLICK, 0, 0);
}

void Window::SetChecked(bool checked) const {
  if (IsChecked() != checked) Click();
  if (IsChecked() != checked) throw DriverError("clicking " + Describe() + " did not change it");
}

// Select all, then replace the selection: the edit raises EN_UPDATE and EN_CHANGE
// exactly as for typed characters, which WM_SETTEXT alone does not promise.
void Window::Type(const std::string& text) const {
  RequireUsable(*this, "type into");
  if ((GetWindowLongA(handle_, GWL_STYLE) & ES_READONLY) != 0)
    throw DriverError(Describe() + " is read-only");
  Ask(*this, EM_SETSEL, 0, -1);
  Ask(*this, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

// The list's own selection does not notify; a user's pick does, so the owner gets
// the CBN_SELCHANGE the control would have sent.
void Window::SelectComboItem(int index) const {
  RequireUsable(*this, "select in");
  if (index < 0 || index >= Ask(*this, CB_GETCOUNT))
    throw DriverError(Describe() + " has no item " + std::to_string(index));
  Ask(*this, CB_SETCURSEL, static_cast<WPARAM>(index));
  SendAsUser(Window(GetAncestor(handle_, GA_PARENT)), WM_COMMAND,
             MAKEWPARAM(GetDlgCtrlID(handle_), CBN_SELCHANGE), reinterpret_cast<LPARAM>(handle_));
}

// Posted, so that the program's message loop (and its dialog keys: Tab, Enter, Esc)
// sees it.
void Window::PressKey(WORD virtualKey) const {
  RequireUsable(*this, "press a key in");
  const auto scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  if (!PostMessageA(handle_, WM_KEYDOWN, virtualKey, scan | 1) ||
      !PostMessageA(handle_, WM_KEYUP, virtualKey, scan | 1 | 0xC0000000))
    throw DriverError("cannot post a key to " + Describe());
}

void Window::Close() const {
  if (!Exists()) throw DriverError("cannot close " + Describe() + ": it no longer exists");
  SendAsUser(*this, WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace driver
