#include "window.h"

namespace driver {

namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<Window>*>(list)->emplace_back(child);
  return TRUE;
}

}  // namespace

bool Window::Exists() const {
  return handle_ != nullptr && IsWindow(handle_);
}

DWORD Window::ProcessId() const {
  DWORD id = 0;
  GetWindowThreadProcessId(handle_, &id);
  return id;
}

// The property lives in the window manager and the atom in the global atom table,
// so both can be read from the test's process (checked under Wine by driver_test).
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

int Window::Id() const {
  return GetDlgCtrlID(handle_);
}

std::string Window::Describe() const {
  const std::string name = Name();
  if (!name.empty()) return name;
  return ClassName() + " #" + std::to_string(Id());
}

Window Window::Parent() const {
  return Window(GetAncestor(handle_, GA_PARENT));
}

Window Window::Owner() const {
  return Window(GetWindow(handle_, GW_OWNER));
}

std::vector<Window> Window::Descendants() const {
  std::vector<Window> children;
  EnumChildWindows(handle_, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

std::optional<Window> Window::FindChild(const std::string& name) const {
  for (const Window& child : Descendants())
    if (child.Name() == name) return child;
  return std::nullopt;
}

std::optional<Window> Window::FindChildById(int id) const {
  for (const Window& child : Descendants())
    if (child.Id() == id) return child;
  return std::nullopt;
}

Window Window::Child(const std::string& name) const {
  if (auto child = FindChild(name)) return *child;
  throw DriverError("no control named " + name + " in " + Describe());
}

Window Window::ChildById(int id) const {
  if (auto child = FindChildById(id)) return *child;
  throw DriverError("no control with id " + std::to_string(id) + " in " + Describe());
}

}  // namespace driver
