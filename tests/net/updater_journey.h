// What the updater's journeys share: the feed nginx serves (chosen through
// odd_server.py), what it sent, the installation of the prefix every journey copies,
// and the updater started and driven through its window.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "driver.h"

namespace updater_journey {

// One of updater_feeds.sh's feeds served at /feed/ from now on.
void Serve(const std::string& variant);
// The feed's server gone (no connection at its port) until the object goes away.
class ServerStopped {
 public:
  ServerStopped();
  ~ServerStopped();
  ServerStopped(const ServerStopped&) = delete;
  ServerStopped& operator=(const ServerStopped&) = delete;
};

// nginx's log of what it sent: the position now, and the body bytes of content files
// (/feed/files/...) sent since then, or of the one whose name holds `hash`.
std::uint64_t ServerLogSize();
std::uint64_t ContentBytesSince(std::uint64_t position, const std::string& hash = {});
int RequestsSince(std::uint64_t position, const std::string& hash);
// Requests since then below /feed/`folder`/ ("files", "patches") whose path holds
// `part` (a hash, ".zst").
int RequestsSince(std::uint64_t position, const std::string& folder, const std::string& hash,
                  const std::string& part = {});

// Each answer since then below /feed/`folder`/ to a path holding `part`, a line each:
// status, body bytes and the Range asked for, as nginx logs it: `206 100 "bytes=9-"`.
std::string AnswersSince(std::uint64_t position, const std::string& folder,
                         const std::string& part);

std::string InstallDir();  // as the installation registered it
std::string Sha256Hex(const std::string& path);
// The installation is release 0.807.<build> of updater_feeds.sh: every payload file
// with its contents and time, none of another release, the version Apps & features shows.
testing::AssertionResult IsRelease(const std::string& directory, int build);

// The installed updater.exe started with -debug, or the one that replaced it.
class UpdaterRun {
 public:
  UpdaterRun();
  // The updater window of another process than `replaced`'s: its successor after its
  // own update, which goes on by itself.
  static UpdaterRun Successor(const UpdaterRun& replaced);
  driver::App& App() { return *app_; }
  driver::Window Form() const { return form_; }
  // Check Version pressed and waited for until the work ends; message boxes are
  // answered No and their texts added to the log's lines.
  std::string Check(driver::Milliseconds timeout = driver::Milliseconds{120000});
  void ClickCheck() const;
  // From now on the patch notes' question is answered Yes (Notepad then opens them).
  void AnswerYes() { answerYes_ = true; }
  // After a check: waits until a question has been shown and answered (it comes after
  // the buttons are enabled again); the log with its text.
  std::string WaitForQuestion();
  // Waits until the work ends with `id`'s text in the log (or the time is up).
  std::string WaitForLine(std::uint32_t id, driver::Milliseconds timeout);
  std::string Log() const;  // the action log as shown
  bool Busy() const { return !form_.Child("btn_check").IsEnabled(); }

 private:
  explicit UpdaterRun(driver::Window form);
  bool AnswerBoxes();  // true while one is shown
  std::optional<driver::App> app_;
  driver::Window form_;
  DWORD processId_ = 0;
  std::string boxes_;
  bool answerYes_ = false;
  bool questionAnswered_ = false;
};

}  // namespace updater_journey
