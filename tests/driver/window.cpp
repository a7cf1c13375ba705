// Reading windows of another process. Only messages whose answer is the return
// value, or whose buffer Windows copies between processes (WM_GETTEXT), are used.
#include "driver.h"

namespace driver {

namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<Window>*>(list)->emplace_back(child);
  return TRUE;
}

template <class SendTimeout>
LRESULT AskWith(SendTimeout send, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!send(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result))
    throw DriverError("window did not answer message " + std::to_string(message));
  return static_cast<LRESULT>(result);
}
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return AskWith(SendMessageTimeoutA, window, message, wParam, lParam);
}

}  // namespace

DWORD Window::ProcessId() const {
  DWORD id = 0;
  GetWindowThreadProcessId(handle_, &id);
  return id;
}

// The property lives in the window manager and the atom in the global atom table,
// so both can be read from the test's process.
std::string Window::Name() const {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(handle_, kNameProperty)));
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
  return !name.empty() ? name : ClassName() + " #" + std::to_string(Id());
}

std::optional<Window> Window::FindChild(const std::string& name) const {
  std::vector<Window> children;
  EnumChildWindows(handle_, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (const Window& child : children)
    if (child.Name() == name) return child;
  return std::nullopt;
}

Window Window::Child(const std::string& name) const {
  if (auto child = FindChild(name)) return *child;
  throw DriverError("no control named " + name + " in " + Describe());
}

std::string Window::Text() const {
  std::string text(static_cast<size_t>(Ask(handle_, WM_GETTEXTLENGTH)) + 1, '\0');
  const auto copied = Ask(handle_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

// A modal box disables the form under it, not the form's controls themselves.
bool Window::IsUsable() const {
  if (!IsVisible()) return false;
  for (HWND window = handle_; window != nullptr && window != GetDesktopWindow();
       window = GetAncestor(window, GA_PARENT))
    if (!IsWindowEnabled(window)) return false;
  return true;
}

bool Window::IsChecked() const {
  return Ask(handle_, BM_GETCHECK) == BST_CHECKED;
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
    const auto i = static_cast<WPARAM>(index);
    std::wstring item(
        static_cast<size_t>(AskWith(SendMessageTimeoutW, handle_, CB_GETLBTEXTLEN, i, 0)) + 1,
        L'\0');
    item.resize(static_cast<size_t>(AskWith(SendMessageTimeoutW, handle_, CB_GETLBTEXT, i,
                                            reinterpret_cast<LPARAM>(item.data()))));
    std::string ansi(item.size() * 2, '\0');
    ansi.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_ACP, 0, item.data(), static_cast<int>(item.size()), ansi.data(),
                            static_cast<int>(ansi.size()), nullptr, nullptr)));
    items.push_back(ansi);
  }
  return items;
}

}  // namespace driver
