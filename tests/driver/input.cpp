// User input from outside the process, delivered with SendMessageCallback: the test
// learns when the handler has finished, yet is not blocked when the handler opens a
// modal message box and waits for the test to answer it.
#include <algorithm>
#include <set>
#include <thread>

#include "driver.h"

namespace driver {

namespace {

std::set<ULONG_PTR> handledTickets;

void CALLBACK OnHandled(HWND, UINT, ULONG_PTR ticket, LRESULT) {
  handledTickets.insert(ticket);
}

void RequireUsable(const Window& control, const std::string& action) {
  if (!control.Exists() || !control.IsUsable() || !control.IsEnabled())
    throw DriverError("cannot " + action + " " + control.Describe() +
                      ": gone, hidden, disabled or behind a modal box");
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
  const std::vector<Window> before = TopLevelWindowsOf(processId);
  const auto opened = [&] {
    for (const Window& window : TopLevelWindowsOf(processId))
      if (std::find_if(before.begin(), before.end(), [&](const Window& old) {
            return old.Handle() == window.Handle();
          }) == before.end())
        return true;
    return false;
  };
  if (!SendMessageCallbackA(target.Handle(), message, wParam, lParam, OnHandled, ticket))
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
  if ((Style() & ES_READONLY) != 0) throw DriverError(Describe() + " is read-only");
  SendAndWait(*this, EM_SETSEL, 0, -1);
  SendAndWait(*this, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

// The list's own selection does not notify; a user's pick does, so the owner gets
// the CBN_SELCHANGE the control would have sent.
void Window::SelectComboItem(int index) const {
  RequireUsable(*this, "select in");
  if (index < 0 || index >= SendAndWait(*this, CB_GETCOUNT, 0, 0))
    throw DriverError(Describe() + " has no item " + std::to_string(index));
  SendAndWait(*this, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendAsUser(Parent(), WM_COMMAND, MAKEWPARAM(Id(), CBN_SELCHANGE),
             reinterpret_cast<LPARAM>(Handle()));
}

// Posted, as the keyboard delivers it, so that the program's message loop (and its
// dialog keys: Tab, Enter, Esc) sees it.
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
