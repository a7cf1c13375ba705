// Reading controls of another process. Only messages whose answer is the return
// value, or whose buffer Windows copies between processes (WM_GETTEXT,
// CB_GETLBTEXT), are used: a pointer into this process means nothing over there.
#include "window.h"

#include <commctrl.h>

namespace driver {

namespace {

constexpr UINT kReadTimeoutMs = 5000;

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kReadTimeoutMs, &result))
    throw DriverError("window did not answer message " + std::to_string(message) + " within " +
                      std::to_string(kReadTimeoutMs) + " ms");
  return static_cast<LRESULT>(result);
}

LRESULT AskWide(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kReadTimeoutMs, &result))
    throw DriverError("window did not answer message " + std::to_string(message) + " within " +
                      std::to_string(kReadTimeoutMs) + " ms");
  return static_cast<LRESULT>(result);
}

std::string ToAnsi(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), converted.data(), size,
                      nullptr, nullptr);
  return converted;
}

}  // namespace

std::string Window::Text() const {
  const auto length = Ask(handle_, WM_GETTEXTLENGTH);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const auto copied = Ask(handle_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

bool Window::IsVisible() const {
  return IsWindowVisible(handle_) != FALSE;
}

bool Window::IsEnabled() const {
  return IsWindowEnabled(handle_) != FALSE;
}

bool Window::IsUsable() const {
  if (!IsVisible()) return false;
  // A modal box disables the form under it, not the form's controls themselves.
  for (HWND window = handle_; window != nullptr; window = GetAncestor(window, GA_PARENT)) {
    if (window == GetDesktopWindow()) break;
    if (!IsWindowEnabled(window)) return false;
  }
  return true;
}

RECT Window::ScreenRect() const {
  RECT rect = {};
  GetWindowRect(handle_, &rect);
  return rect;
}

RECT Window::ClientRect() const {
  RECT rect = {};
  GetClientRect(handle_, &rect);
  return rect;
}

LONG Window::Style() const {
  return GetWindowLongA(handle_, GWL_STYLE);
}

int Window::CheckState() const {
  return static_cast<int>(Ask(handle_, BM_GETCHECK));
}

int Window::ComboSelection() const {
  return static_cast<int>(Ask(handle_, CB_GETCURSEL));
}

// Asked in UTF-16 and converted here: Wine answers a cross-process CB_GETLBTEXT sent
// as ANSI with the UTF-16 bytes, cut to the ANSI length.
std::vector<std::string> Window::ComboItems() const {
  std::vector<std::string> items;
  const auto count = Ask(handle_, CB_GETCOUNT);
  for (LRESULT index = 0; index < count; ++index) {
    const auto length = AskWide(handle_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length < 0) break;
    std::wstring item(static_cast<size_t>(length) + 1, L'\0');
    const auto copied = AskWide(handle_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                reinterpret_cast<LPARAM>(item.data()));
    item.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
    items.push_back(ToAnsi(item));
  }
  return items;
}

std::string Window::ComboSelectedText() const {
  const int selection = ComboSelection();
  const auto items = ComboItems();
  if (selection < 0 || static_cast<size_t>(selection) >= items.size()) return {};
  return items[static_cast<size_t>(selection)];
}

// PBM_GETRANGE without its structure: wParam TRUE answers the low limit, FALSE
// the high one, so no structure has to cross the process boundary.
ProgressState Window::Progress() const {
  ProgressState state;
  state.low = static_cast<int>(Ask(handle_, PBM_GETRANGE, TRUE, 0));
  state.high = static_cast<int>(Ask(handle_, PBM_GETRANGE, FALSE, 0));
  state.position = static_cast<int>(Ask(handle_, PBM_GETPOS));
  return state;
}

std::vector<std::string> Window::Lines() const {
  std::vector<std::string> lines;
  const std::string text = Text();
  size_t start = 0;
  for (;;) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

}  // namespace driver
