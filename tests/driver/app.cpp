// The program's windows as the test finds them, and the waiting for them.
#include <thread>

#include "driver.h"

namespace driver {

namespace {

struct Collected {
  DWORD processId;
  std::vector<Window> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data) {
  auto* collected = reinterpret_cast<Collected*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == collected->processId && IsWindowVisible(window))
    collected->windows.emplace_back(window);
  return TRUE;
}

// What the program shows instead, for the message of a wait that ran out.
std::string Shown(const App& app) {
  if (!app.GetProcess().IsRunning()) return " (the program has ended)";
  std::string shown = " (shown:";
  for (const Window& window : app.TopLevelWindows())
    shown += " \"" + window.Text() + "\" " + window.Describe() + ";";
  return shown + ")";
}

}  // namespace

void PumpOwnMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void WaitUntil(const std::function<bool()>& done, const Description& what, Milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    PumpOwnMessages();
    if (done()) return;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(Milliseconds{20});
  }
  throw DriverError("timed out after " + std::to_string(timeout.count()) + " ms waiting for " +
                    what());
}

App App::Start(const std::string& program, const std::string& arguments,
               const StartOptions& options) {
  std::string commandLine = QuoteArgument(program);
  if (!arguments.empty()) commandLine += " " + arguments;
  return App(Process::Start(commandLine, options));
}

std::vector<Window> TopLevelWindowsOf(DWORD processId) {
  Collected collected{processId, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&collected));
  return collected.windows;
}

std::optional<Window> App::FindForm(const std::string& name) const {
  for (const Window& window : TopLevelWindows())
    if (window.Name() == name) return window;
  return std::nullopt;
}

std::vector<Window> App::TaskBarEntries() const {
  std::vector<Window> entries;
  for (const Window& window : TopLevelWindows()) {
    const LONG_PTR extended = GetWindowLongPtrA(window.Handle(), GWL_EXSTYLE);
    if ((extended & WS_EX_APPWINDOW) != 0 ||
        (!window.Owner().Exists() && (extended & WS_EX_TOOLWINDOW) == 0))
      entries.push_back(window);
  }
  return entries;
}

Window App::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  DWORD thread = 0;
  for (const Window& window : TopLevelWindows())
    thread = GetWindowThreadProcessId(window.Handle(), nullptr);
  if (thread == 0 || !GetGUIThreadInfo(thread, &info)) return Window();
  return Window(info.hwndFocus);
}

std::optional<MessageBoxWindow> App::FindMessageBox() const {
  for (const Window& window : TopLevelWindows())
    if (window.ClassName() == kDialogClass &&
        GetDlgItem(window.Handle(), kMessageBoxTextId) != nullptr)
      return MessageBoxWindow(window);
  return std::nullopt;
}

Window App::WaitForForm(const std::string& name, Milliseconds timeout) const {
  return WaitFor<Window>([&] { return FindForm(name); },
                         [&] { return "form " + name + " to be shown" + Shown(*this); }, timeout);
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
