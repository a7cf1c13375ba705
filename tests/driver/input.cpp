// User input from outside the process. Clicks go through BM_CLICK and the
// notifications a control would raise itself, delivered with SendMessageCallback:
// the test learns when the handler has finished, yet is not blocked when the
// handler opens a modal message box and waits for the test to answer it.
#include <set>
#include <thread>

#include "driver.h"

namespace driver {

namespace {

std::set<ULONG_PTR>& HandledTickets() {
  static std::set<ULONG_PTR> tickets;
  return tickets;
}

void CALLBACK OnHandled(HWND, UINT, ULONG_PTR ticket, LRESULT) {
  HandledTickets().insert(ticket);
}

struct VisibleWindows {
  DWORD processId;
  std::set<HWND> windows;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM data) {
  auto* visible = reinterpret_cast<VisibleWindows*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == visible->processId && IsWindowVisible(window)) visible->windows.insert(window);
  return TRUE;
}

std::set<HWND> VisibleTopLevelWindows(DWORD processId) {
  VisibleWindows visible{processId, {}};
  EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&visible));
  return visible.windows;
}

bool OpenedAnotherWindow(DWORD processId, const std::set<HWND>& before) {
  for (HWND window : VisibleTopLevelWindows(processId))
    if (before.count(window) == 0) return true;
  return false;
}

// Closes the process handle on every path.
struct ProcessHandle {
  HANDLE handle;
  explicit ProcessHandle(DWORD id) : handle(OpenProcess(SYNCHRONIZE, FALSE, id)) {}
  ~ProcessHandle() {
    if (handle != nullptr) CloseHandle(handle);
  }
  bool HasEnded() const {
    return handle != nullptr && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
  }
};

void RequireUsable(const Window& control, const std::string& action) {
  const std::string what = "cannot " + action + " " + control.Describe() + ": ";
  if (!control.Exists()) throw DriverError(what + "the window no longer exists");
  if (!control.IsVisible()) throw DriverError(what + "it is not visible");
  if (!control.IsEnabled()) throw DriverError(what + "it is disabled");
  if (!control.IsUsable()) throw DriverError(what + "its window is disabled (a modal box open?)");
}

LRESULT SendAndWait(const Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window.Handle(), message, wParam, lParam, SMTO_NORMAL, 5000, &result))
    throw DriverError(window.Describe() + " did not answer message " + std::to_string(message));
  return static_cast<LRESULT>(result);
}

}  // namespace

void SendAsUser(Window target, UINT message, WPARAM wParam, LPARAM lParam, Milliseconds patience) {
  static ULONG_PTR lastTicket = 0;
  const ULONG_PTR ticket = ++lastTicket;
  const DWORD processId = target.ProcessId();
  const ProcessHandle process(processId);
  const std::set<HWND> before = VisibleTopLevelWindows(processId);
  if (!SendMessageCallbackA(target.Handle(), message, wParam, lParam, OnHandled, ticket))
    throw DriverError("cannot send message " + std::to_string(message) + " to " +
                      target.Describe() + ": error " + std::to_string(GetLastError()));
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (std::chrono::steady_clock::now() < deadline) {
    PumpOwnMessages();
    if (HandledTickets().erase(ticket) != 0) return;
    if (process.HasEnded() || !target.Exists() || OpenedAnotherWindow(processId, before)) return;
    std::this_thread::sleep_for(Milliseconds{10});
  }
}

void Window::Click() const {
  RequireUsable(*this, "click");
  SendAsUser(*this, BM_CLICK, 0, 0);
}

void Window::SetChecked(bool checked) const {
  if (IsChecked() == checked) return;
  Click();
  if (IsChecked() != checked)
    throw DriverError("clicking " + Describe() + " did not make it " +
                      (checked ? "checked" : "unchecked"));
}

// Select all, then replace the selection: the edit raises EN_UPDATE and EN_CHANGE
// exactly as for typed characters, which WM_SETTEXT alone does not promise.
void Window::Type(const std::string& text) const {
  RequireUsable(*this, "type into");
  if ((Style() & ES_READONLY) != 0)
    throw DriverError("cannot type into " + Describe() + ": read-only");
  SendAndWait(*this, EM_SETSEL, 0, -1);
  SendAndWait(*this, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

// The list's own selection does not notify; a user's pick does, so the owner gets
// the CBN_SELCHANGE the control would have sent.
void Window::SelectComboItem(int index) const {
  RequireUsable(*this, "select in");
  const auto count = static_cast<int>(SendAndWait(*this, CB_GETCOUNT, 0, 0));
  if (index < 0 || index >= count)
    throw DriverError(Describe() + " has no item " + std::to_string(index) + " (it has " +
                      std::to_string(count) + ")");
  SendAndWait(*this, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendAsUser(Parent(), WM_COMMAND, MAKEWPARAM(Id(), CBN_SELCHANGE),
             reinterpret_cast<LPARAM>(Handle()));
}

void Window::SelectComboItem(const std::string& text) const {
  const auto items = ComboItems();
  for (size_t index = 0; index < items.size(); ++index)
    if (items[index] == text) return SelectComboItem(static_cast<int>(index));
  throw DriverError(Describe() + " has no item \"" + text + "\"");
}

// WM_CHAR follows WM_KEYDOWN as TranslateMessage would make it; dialog keys act on
// the key-down already.
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
