#include "updater_journey.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "feed_cng_win.h"
#include "feed_format.h"
#include "http_get_win.h"
#include "s_lang.h"
#include "test_readers_win.h"

namespace updater_journey {
namespace {

namespace fs = std::filesystem;
using test_support::ReadValue;

std::string ServerFile(const char* name) {
  return driver::WinePath(std::string(TDM_TEST_SERVER_STATE "/") + name);
}

std::string OddServer(const std::string& command) {
  std::ifstream in(ServerFile("odd.port"));
  std::string port;
  in >> port;
  updater::CHttpClient client;
  std::vector<std::uint8_t> body;
  if (!client.Open("tidemoor-journey", 30000) ||
      client.GetDocument("http://127.0.0.1:" + port + "/control/" + command, 1024, body) !=
          updater::GetStatus::kOk)
    throw driver::DriverError("the test server did not do " + command);
  return std::string(body.begin(), body.end());
}

// nginx's access log lines: method, path, status, body bytes, Range ("-" for none).
struct Sent {
  std::string path;
  int status = 0;
  std::uint64_t bytes = 0;
  std::string range;
};
std::vector<Sent> SentSince(std::uint64_t position) {
  std::ifstream in(ServerFile("access.log"), std::ios::binary);
  in.seekg(static_cast<std::streamoff>(position));
  std::vector<Sent> sent;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string method;
    Sent s;
    if (fields >> method >> s.path >> s.status >> s.bytes >> s.range) sent.push_back(s);
  }
  return sent;
}

bool IsContent(const Sent& s, const std::string& hash) {
  return s.path.starts_with("/feed/files/") &&
         (hash.empty() || s.path.find(hash) != std::string::npos);
}

std::string Payload(int build) {
  return driver::WinePath(std::string(TDM_FEEDS_WORK "/payload-807.") + std::to_string(build));
}

std::set<std::string> PayloadNames(int build) {
  std::set<std::string> names;
  const fs::path root = Payload(build);
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) names.insert(fs::relative(entry.path(), root).string());
  return names;
}

std::string DisplayVersion() {
  constexpr char kUninstallKey[] =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    const auto value = ReadValue(root, kUninstallKey, "DisplayVersion");
    if (value.status == ERROR_SUCCESS) return value.bytes.c_str();
  }
  return "";
}

}  // namespace

void Serve(const std::string& variant) {
  OddServer("select/" + variant);
}

ServerStopped::ServerStopped() {
  OddServer("stop-nginx");
}
ServerStopped::~ServerStopped() {
  try {
    OddServer("start-nginx");
  } catch (const driver::DriverError& error) {
    ADD_FAILURE() << error.what();
  }
}

std::uint64_t ServerLogSize() {
  std::error_code code;
  const auto size = fs::file_size(ServerFile("access.log"), code);
  return code ? 0 : size;
}

std::uint64_t ContentBytesSince(std::uint64_t position, const std::string& hash) {
  std::uint64_t bytes = 0;
  for (const Sent& s : SentSince(position))
    if (IsContent(s, hash)) bytes += s.bytes;
  return bytes;
}

int RequestsSince(std::uint64_t position, const std::string& hash) {
  int count = 0;
  for (const Sent& s : SentSince(position)) count += IsContent(s, hash) ? 1 : 0;
  return count;
}

int RequestsSince(std::uint64_t position, const std::string& folder, const std::string& hash,
                  const std::string& part) {
  int count = 0;
  for (const Sent& s : SentSince(position))
    count += s.path.starts_with("/feed/" + folder + "/") &&
                     s.path.find(hash) != std::string::npos &&
                     s.path.find(part) != std::string::npos
                 ? 1
                 : 0;
  return count;
}

std::string AnswersSince(std::uint64_t position, const std::string& folder,
                         const std::string& part) {
  std::string answers;
  for (const Sent& s : SentSince(position))
    if (s.path.starts_with("/feed/" + folder + "/") && s.path.find(part) != std::string::npos)
      answers += std::to_string(s.status) + " " + std::to_string(s.bytes) + " " + s.range + "\n";
  return answers;
}

std::string InstallDir() {
  const auto value = ReadValue(HKEY_CURRENT_USER, "Software\\Tidemoor", "InstallDir");
  if (value.status != ERROR_SUCCESS) throw driver::DriverError("no installation registered");
  return value.bytes.c_str();
}

std::string Sha256Hex(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
  feed::Hash hash{};
  feed::Sha256WithCng(bytes.data(), bytes.size(), hash);
  return feed::HexText(hash.data(), hash.size());
}

testing::AssertionResult IsRelease(const std::string& directory, int build) {
  const fs::path root = Payload(build);
  const std::set<std::string> own = PayloadNames(build);
  for (const std::string& name : own) {
    const std::string installed = directory + "\\" + name;
    std::error_code code;
    if (test_support::ReadContents(installed) !=
            test_support::ReadContents((root / name).string()) ||
        fs::last_write_time(installed, code) != fs::last_write_time(root / name))
      return testing::AssertionFailure() << installed << " is not that of 0.807." << build;
  }
  for (const int other : {3, 4, 5})
    for (const std::string& name : PayloadNames(other))
      if (own.count(name) == 0 && test_support::FileExists(directory + "\\" + name))
        return testing::AssertionFailure() << name << " of 0.807." << other << " is there";
  const std::string version = DisplayVersion();
  if (version != "0.807." + std::to_string(build))
    return testing::AssertionFailure() << "Apps & features shows " << version;
  return testing::AssertionSuccess() << "0.807." << build;
}

UpdaterRun::UpdaterRun() {
  const std::string directory = InstallDir();
  app_.emplace(driver::App::Start(directory + "\\updater.exe", "-debug", directory));
  form_ = app_->WaitForForm("FUpdater", driver::Milliseconds{60000});
  processId_ = app_->GetProcess().Id();
}

UpdaterRun::UpdaterRun(driver::Window form) : form_(form) {
  GetWindowThreadProcessId(form.Handle(), &processId_);
}

UpdaterRun UpdaterRun::Successor(const UpdaterRun& replaced) {
  HWND found = nullptr;
  struct Search {
    DWORD replaced;
    HWND* found;
  } search{replaced.processId_, &found};
  driver::WaitUntil(
      [&] {
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
              auto* s = reinterpret_cast<Search*>(data);
              DWORD process = 0;
              GetWindowThreadProcessId(window, &process);
              if (process != s->replaced && driver::Window(window).Name() == "FUpdater")
                *s->found = window;
              return *s->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        return found != nullptr;
      },
      "the new updater's window", driver::Milliseconds{60000});
  // Named at creation, its controls made after, the close button last.
  driver::WaitUntil(
      [&] {
        try {
          return driver::Window(found).Child("btn_close").Exists();
        } catch (const driver::DriverError&) {
          return false;
        }
      },
      "the new updater's controls");
  return UpdaterRun(driver::Window(found));
}

void UpdaterRun::ClickCheck() const {
  form_.Child("btn_check").Click();
}

bool UpdaterRun::AnswerBoxes() {
  for (const driver::Window& window : driver::TopLevelWindowsOf(processId_)) {
    if (window.ClassName() != "#32770" || GetDlgItem(window.Handle(), 0xFFFF) == nullptr) continue;
    const driver::MessageBoxWindow box{window};
    boxes_ += box.Text() + "\n";
    // The patch notes' question is answered No unless the journey wants Yes; a message
    // only has OK.
    const bool question = GetDlgItem(window.Handle(), IDNO) != nullptr;
    box.Press(!question ? IDOK : answerYes_ ? IDYES : IDNO);
    questionAnswered_ = questionAnswered_ || question;
    return true;
  }
  return false;
}

std::string UpdaterRun::Check(driver::Milliseconds timeout) {
  ClickCheck();
  driver::WaitUntil([&] { return !AnswerBoxes() && !Busy(); },
                    [&] { return "the end of the check; the log:\n" + Log(); }, timeout);
  return Log();
}

std::string UpdaterRun::WaitForQuestion() {
  driver::WaitUntil([&] { return AnswerBoxes() || questionAnswered_; },
                    [&] { return "a question; the log:\n" + Log(); });
  return Log();
}

std::string UpdaterRun::WaitForLine(std::uint32_t id, driver::Milliseconds timeout) {
  CLang::SetLanguage(kLanguageEnglish);
  const std::string line = CLang::GetText(id);
  driver::WaitUntil(
      [&] { return !AnswerBoxes() && !Busy() && Log().find(line) != std::string::npos; },
      [&] { return "\"" + line + "\" at the end of the work; the log:\n" + Log(); }, timeout);
  return Log();
}

std::string UpdaterRun::Log() const {
  std::string log = form_.Child("memo_log").Text() + "\n" + boxes_;
  std::erase(log, '\r');
  return log;
}

}  // namespace updater_journey
