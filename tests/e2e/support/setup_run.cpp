#include "setup_run.h"

#include <cstdlib>
#include <sstream>

namespace e2e {
namespace {

constexpr char kProductKey[] = "Software\\Tidemoor";

void WriteValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
  if (RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
    throw BuildError(std::string("cannot write the registry value ") + name);
}

}  // namespace

bool UserIsGerman() {
  switch (GetUserDefaultLangID()) {
    case 0x0407:
    case 0x0807:
    case 0x0C07:
    case 0x1007:
    case 0x1407:
      return true;
    default:
      return false;
  }
}

LogLine ParseLogLine(const std::string& line) {
  LogLine parsed;
  // "ticks : HH:MM:SS : level : text"; the time holds colons but no " : ".
  const std::size_t first = line.find(" : ");
  const std::size_t second = first == std::string::npos ? first : line.find(" : ", first + 3);
  const std::size_t third = second == std::string::npos ? second : line.find(" : ", second + 3);
  if (third == std::string::npos) {
    parsed.text = line;
    return parsed;
  }
  parsed.hasPrefix = true;
  parsed.level = std::atoi(line.substr(second + 3, third - second - 3).c_str());
  parsed.text = line.substr(third + 3);
  return parsed;
}

std::optional<std::vector<std::string>> ReadLogLines(const std::string& path) {
  const std::optional<std::string> contents = driver::ReadWholeFile(path);
  if (!contents) return std::nullopt;
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < contents->size()) {
    std::size_t end = contents->find('\n', at);
    if (end == std::string::npos) end = contents->size();
    std::string line = contents->substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

std::vector<std::string> LogTexts(const std::vector<std::string>& lines) {
  std::vector<std::string> texts;
  for (const std::string& line : lines)
    if (const LogLine parsed = ParseLogLine(line); parsed.hasPrefix) texts.push_back(parsed.text);
  return texts;
}

SetupUnderTest::SetupUnderTest(const SegmentSet& segments, const std::string& exeName)
    : folder_("tdm-e2e-setup"), exe_(MakeSetupExe(segments, folder_.Path(), exeName)) {}

SetupUnderTest::SetupUnderTest(const archive::ArchiveDescription& description)
    : SetupUnderTest(AllPresent(WriteSegments(description))) {}

driver::App& SetupUnderTest::Start(const std::string& arguments, driver::StartOptions options) {
  std::string commandLine = driver::QuoteArgument(exe_);
  if (!arguments.empty()) commandLine += " " + arguments;
  return StartCommandLine(commandLine, std::move(options));
}

driver::App& SetupUnderTest::StartCommandLine(const std::string& commandLine,
                                              driver::StartOptions options) {
  if (options.workingDirectory.empty()) options.workingDirectory = folder_.Path();
  app_.reset();  // a program of an earlier start of this object is killed first
  app_.emplace(driver::Process::Start(commandLine, options));
  return *app_;
}

driver::App& SetupUnderTest::App() {
  if (!app_) throw driver::DriverError("Setup.exe has not been started");
  return *app_;
}

DWORD SetupUnderTest::CancelWizard() {
  WaitForWizard().Child("Button2").Click();
  return WaitForExit();
}

DWORD SetupUnderTest::DismissRefusal(const driver::MessageBoxWindow& box) {
  driver::App& app = App();
  if (app.FindForm("FSetup"))
    throw driver::DriverError("the wizard is shown together with the refusal");
  box.Press(IDOK);
  // A refusal ends the program before the wizard is ever shown; watch it to the end.
  bool wizardSeen = false;
  driver::WaitUntil(
      [&] {
        wizardSeen = wizardSeen || app.FindForm("FSetup").has_value();
        return !app.GetProcess().IsRunning();
      },
      "Setup.exe to end after its refusal");
  if (wizardSeen) throw driver::DriverError("the wizard appeared after the refusal");
  return app.WaitForExit();
}

std::vector<std::string> SetupUnderTest::LogTexts() const {
  const auto lines = LogLines();
  return lines ? e2e::LogTexts(*lines) : std::vector<std::string>{};
}

std::string DemoClientPath() {
  return driver::WinePath(TDM_DEMO_CLIENT);
}

EarlierInstallation::EarlierInstallation(DWORD language, const std::string& startMenuGroup)
    : folder_("tdm-e2e-installed") {
  folder_.CopyIn(DemoClientPath(), "TDMClient.exe");
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    throw BuildError("cannot create HKEY_CURRENT_USER\\Software\\Tidemoor");
  try {
    WriteValue(key, "Language", REG_DWORD, &language, sizeof language);
    WriteValue(key, "InstallDir", REG_SZ, folder_.Path().c_str(),
               static_cast<DWORD>(folder_.Path().size() + 1));
    WriteValue(key, "StartMenuGroup", REG_SZ, startMenuGroup.c_str(),
               static_cast<DWORD>(startMenuGroup.size() + 1));
  } catch (...) {
    RegCloseKey(key);
    RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey);
    throw;
  }
  RegCloseKey(key);
}

EarlierInstallation::~EarlierInstallation() {
  RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey);
}

}  // namespace e2e
