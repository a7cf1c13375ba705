#include "app.h"

namespace driver {

namespace {

struct Collected {
  DWORD processId;
  bool visibleOnly;
  std::vector<Window> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data) {
  auto* collected = reinterpret_cast<Collected*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == collected->processId && (!collected->visibleOnly || IsWindowVisible(window)))
    collected->windows.emplace_back(window);
  return TRUE;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// What the program shows instead, for the message of a wait that ran out: the
// caption and name of each shown window, or that the program has ended.
std::string Shown(const App& app) {
  if (!app.GetProcess().IsRunning()) return " (the program has ended)";
  std::string shown;
  for (const Window& window : app.TopLevelWindows()) {
    shown += shown.empty() ? " (shown: " : ", ";
    shown += Quoted(window.Text());
    if (const std::string name = window.Name(); !name.empty()) shown += " " + name;
    if (window.ClassName() == kDialogClass) shown += " message box";
  }
  return shown.empty() ? " (no window shown)" : shown + ")";
}

}  // namespace

App App::Start(const std::string& program, const std::string& arguments,
               const StartOptions& options) {
  std::string commandLine = QuoteArgument(program);
  if (!arguments.empty()) commandLine += " " + arguments;
  return App(Process::Start(commandLine, options));
}

std::vector<Window> App::TopLevelWindows(bool visibleOnly) const {
  Collected collected{process_.Id(), visibleOnly, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&collected));
  return collected.windows;
}

std::optional<Window> App::FindForm(const std::string& name) const {
  for (const Window& window : TopLevelWindows())
    if (window.Name() == name) return window;
  return std::nullopt;
}

std::optional<Window> App::FindWindowByCaption(const std::string& caption) const {
  for (const Window& window : TopLevelWindows())
    if (window.ClassName() != kDialogClass && window.Text() == caption) return window;
  return std::nullopt;
}

std::optional<MessageBoxWindow> App::FindMessageBox() const {
  for (const Window& window : TopLevelWindows())
    if (window.ClassName() == kDialogClass && window.FindChildById(kMessageBoxTextId))
      return MessageBoxWindow(window);
  return std::nullopt;
}

Window App::WaitForForm(const std::string& name, Milliseconds timeout) const {
  return WaitFor<Window>([&] { return FindForm(name); },
                         [&] { return "form " + name + " to be shown" + Shown(*this); }, timeout);
}

Window App::WaitForWindowByCaption(const std::string& caption, Milliseconds timeout) const {
  return WaitFor<Window>([&] { return FindWindowByCaption(caption); },
                         [&] { return "a window with caption " + Quoted(caption) + Shown(*this); },
                         timeout);
}

MessageBoxWindow App::WaitForMessageBox(Milliseconds timeout) const {
  return WaitFor<MessageBoxWindow>([&] { return FindMessageBox(); },
                                   [&] { return "a message box" + Shown(*this); }, timeout);
}

void App::WaitForFormGone(const std::string& name, Milliseconds timeout) const {
  WaitUntil([&] { return !FindForm(name).has_value(); },
            [&] { return "form " + name + " to close" + Shown(*this); }, timeout);
}

}  // namespace driver
