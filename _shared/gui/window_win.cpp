#include "window.h"

#include <utility>
#include <vector>

#include "application.h"
#include "dpi.h"
#include "gui_exception.h"

namespace gui {
namespace {
constexpr char kObjectProperty[] = "TdmObj";
constexpr char kNameProperty[] = "TdmName";
}  // namespace

void RaiseLastWindowError(const std::string& name) {
  const DWORD error = GetLastError();
  char reason[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, reason, sizeof reason, nullptr);
  std::string message = "Cannot create the window " + name;
  if (length != 0) message += ": " + std::string(reason, length);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  throw Exception(message);
}

LRESULT FaceColours(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      if (lParam == 0) return false;
      if (Window* child = Window::FromHandle(reinterpret_cast<HWND>(lParam))) {
        Guarded([&] { child->HandleCommand(HIWORD(wParam)); });
        result = 0;
        return true;
      }
      return false;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      Window* child = Window::FromHandle(item->hwndItem);
      if (child == nullptr || !child->HandleDrawItem(*item)) return false;
      result = TRUE;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      result = FaceColours(reinterpret_cast<HDC>(wParam));
      return true;
    default:
      return false;
  }
}

Window::~Window() {
  DestroyHandle();
}

void Window::Attach(HWND hwnd, const char* name) {
  hwnd_ = hwnd;
  name_ = name;
  SetPropA(hwnd, kObjectProperty, reinterpret_cast<HANDLE>(this));
  nameAtom_ = GlobalAddAtomA(name);
  SetPropA(hwnd, kNameProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(nameAtom_)));
}

void Window::Detach() {
  if (hwnd_ == nullptr) return;
  RemovePropA(hwnd_, kObjectProperty);
  RemovePropA(hwnd_, kNameProperty);
  if (nameAtom_ != 0) GlobalDeleteAtom(nameAtom_);
  nameAtom_ = 0;
  hwnd_ = nullptr;
  // Children still waiting will never get a window on this one.
  pendingChildren_.clear();
}

void Window::CreatePendingChildren() {
  defersChildren_ = false;
  if (hwnd_ == nullptr) return;
  // Taken out first: a child made now may have children of its own that wait.
  std::vector<Window*> children = std::move(pendingChildren_);
  pendingChildren_.clear();
  for (Window* child : children) child->CreatePending();
}

void Window::DestroyHandle() {
  if (hwnd_ == nullptr) return;
  HWND hwnd = hwnd_;
  Detach();
  DestroyWindow(hwnd);
}

Window* Window::FromHandle(HWND hwnd) {
  return hwnd != nullptr ? static_cast<Window*>(GetPropA(hwnd, kObjectProperty)) : nullptr;
}

int Window::Dpi() const {
  return WindowDpi(hwnd_);
}

std::string Window::Text() const {
  if (hwnd_ == nullptr) return pending_ ? held_.text : std::string();
  const int length = GetWindowTextLengthA(hwnd_);
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(hwnd_, buffer.data(), length + 1);
  return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void Window::SetText(const char* text) {
  if (hwnd_ != nullptr)
    SetWindowTextA(hwnd_, text != nullptr ? text : "");
  else if (pending_)
    held_.text = text != nullptr ? text : "";
}

void Window::SetTextUnpainted(const std::string& text) {
  // The default window procedure stores the text and paints nothing. (Switching the
  // drawing off around WM_SETTEXT would cost Wine more server requests than it saves.)
  if (hwnd_ != nullptr)
    DefWindowProcA(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  else if (pending_)
    held_.text = text;
}

void Window::Invalidate() {
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
}

bool Window::Visible() const {
  return hwnd_ != nullptr && IsWindowVisible(hwnd_);
}

void Window::SetVisible(bool visible) {
  if (hwnd_ != nullptr) {
    if (visible) CreatePendingChildren();
    ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
  } else if (pending_) {
    held_.visible = visible;
  }
}

bool Window::Enabled() const {
  if (hwnd_ == nullptr) return pending_ && held_.enabled;
  return IsWindowEnabled(hwnd_) != FALSE;
}

void Window::SetEnabled(bool enabled) {
  if (hwnd_ != nullptr)
    EnableWindow(hwnd_, enabled);
  else if (pending_)
    held_.enabled = enabled;
}

void Window::SetFont(HFONT font, bool redraw) {
  if (hwnd_ != nullptr)
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
}

void Window::SetFocus() {
  if (hwnd_ != nullptr) ::SetFocus(hwnd_);
}

void Window::Repaint() {
  if (hwnd_ == nullptr) return;
  // Only what is already invalid: a control invalidates what it changes itself, and
  // invalidating the whole window with its children cost milliseconds per refresh.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace gui
