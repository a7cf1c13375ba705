// The program under test with its windows: the process and the lookup of its forms
// and message boxes. A test holds one App per started program; when the App goes
// away a program still running is killed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "message_box.h"
#include "child_process.h"
#include "window.h"

namespace driver {

class App {
 public:
  explicit App(Process process) : process_(std::move(process)) {}
  // Starts `program` (a Windows path) with the argument text `arguments`.
  static App Start(const std::string& program, const std::string& arguments = {},
                   const StartOptions& options = {});

  Process& GetProcess() { return process_; }
  const Process& GetProcess() const { return process_; }
  DWORD WaitForExit(Milliseconds timeout = kDefaultTimeout) const {
    return process_.WaitForExit(timeout);
  }

  // Top-level windows of this process, in z-order; only the shown ones when asked.
  std::vector<Window> TopLevelWindows(bool visibleOnly = true) const;
  // A shown form by its name (the TdmName property: "FSetup", "FSplash").
  std::optional<Window> FindForm(const std::string& name) const;
  // A shown top-level window that is not a message box, by its caption.
  std::optional<Window> FindWindowByCaption(const std::string& caption) const;
  std::optional<MessageBoxWindow> FindMessageBox() const;

  Window WaitForForm(const std::string& name, Milliseconds timeout = kDefaultTimeout) const;
  Window WaitForWindowByCaption(const std::string& caption,
                                Milliseconds timeout = kDefaultTimeout) const;
  MessageBoxWindow WaitForMessageBox(Milliseconds timeout = kDefaultTimeout) const;
  // Until no form of that name is shown any more (closed or hidden).
  void WaitForFormGone(const std::string& name, Milliseconds timeout = kDefaultTimeout) const;

 private:
  Process process_;
};

}  // namespace driver
