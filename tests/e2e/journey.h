// What every journey shares: a Setup.exe started from a folder of its own, the walk to
// the settings page, the catalogue's texts, readers of the registry and of links.
#pragma once

#include <gtest/gtest.h>

#include "driver.h"
#include "s_lang_ids.h"
#include "test_readers_win.h"
#include "test_release.h"

namespace e2e {

using namespace test_support;
using driver::Window;

inline constexpr char kProductKey[] = "Software\\Tidemoor";
inline constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";

// The language Setup.exe picks for this user (the production rule), and its texts.
std::uint32_t UserLanguage();
std::string Text(std::uint32_t id, std::uint32_t language = UserLanguage());
// Whether `shown` is "<free MiB of the volume holding path> MB", as the settings page
// shows it, give or take what other programs wrote meanwhile.
testing::AssertionResult ShowsFreeSpaceOf(const std::string& shown, const std::string& path);

// What an installation leaves, checked as the user would find it.
std::string ShellFolder(int csidl);
// Every payload file in `directory`, with its contents and time.
void ExpectPayload(const std::string& directory, const char* payload);
void ExpectLink(const std::string& link, const std::string& target, const std::string& directory);
// The game's and the readme's link in the start-menu group, named in `language`.
void ExpectGroup(const std::string& group, const std::string& directory,
                 std::uint32_t language = UserLanguage());

// Everyone may do everything in `folder`, and nothing else is in its list (Wine keeps
// it as 0x1301ff): a folder any account could change.
void OpenToEveryone(const std::string& folder);

// The product's and the uninstall key gone from both roots, on start and at the end.
struct CleanRegistry {
  CleanRegistry() { Clear(); }
  ~CleanRegistry() { Clear(); }
  static void Clear();
};
// An earlier installation: the product's values under HKEY_CURRENT_USER and, unless
// `client` is empty, that program as InstallDir\TDMClient.exe.
void RegisterEarlier(const std::string& installDir, DWORD language, const std::string& client);

class SetupRun {
 public:
  explicit SetupRun(const std::string& setupExe);  // copied in
  explicit SetupRun(const SegmentSet& segments);
  const driver::ScratchDirectory& Folder() const { return folder_; }
  driver::App& App() { return *app_; }

  driver::Window Start(const std::string& arguments = "-debug");  // waits for the wizard
  void StartOnly(const std::string& arguments = "-debug");
  // Started with `arguments` and waited for to its end, every window it showed described
  // into `shown`; its exit code.
  DWORD RunToEnd(const std::string& arguments, std::vector<std::string>& shown);
  // Language page, terms accepted, settings page shown.
  void WalkToSettings(const driver::Window& wizard);
  // Start pressed, up to the success or failure page; the failure box's text.
  std::string Install(const driver::Window& wizard);
  std::vector<std::string> LogTexts() const;  // setup.log's texts, prefixes cut

 private:
  driver::ScratchDirectory folder_{"tdm-e2e"};
  std::string exe_;
  std::optional<driver::App> app_;
};

}  // namespace e2e
