// The program under test as a process, and the files it leaves.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "driver.h"

namespace driver {

Process Process::Start(const std::string& commandLine, const StartOptions& options) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  std::string mutableCommandLine = commandLine;  // CreateProcessA may write into it
  // Wine now and then refuses a start with ERROR_INTERNAL_ERROR while the previous
  // program of the test is still going away; a moment later the same start works.
  BOOL started = FALSE;
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(500);
    mutableCommandLine = commandLine;
    started = CreateProcessA(
        nullptr, mutableCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
        options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(), &startup,
        &created);
    error = started ? ERROR_SUCCESS : GetLastError();
    if (!started && error != ERROR_INTERNAL_ERROR) break;
  }
  if (!started)
    throw DriverError("cannot start " + commandLine + ": error " + std::to_string(error));
  // Wine starts a Unix program (say, "env LC_ALL=... wine Setup.exe") without giving
  // a handle to it, so such a child could be neither awaited nor killed.
  if (created.hProcess == nullptr)
    throw DriverError("started " + commandLine + " but got no process handle (a Unix program?)");
  CloseHandle(created.hThread);
  return Process(created.hProcess, created.dwProcessId);
}

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Process::~Process() {
  if (handle_ == nullptr) return;
  Kill();
  CloseHandle(handle_);
}

// In short slices, so that this thread's own messages keep flowing meanwhile.
DWORD Process::WaitForExit(Milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (WaitForSingleObject(handle_, 20) == WAIT_TIMEOUT) {
    PumpOwnMessages();
    if (std::chrono::steady_clock::now() >= deadline)
      throw DriverError("timed out after " + std::to_string(timeout.count()) +
                        " ms waiting for process " + std::to_string(id_) + " to end");
  }
  DWORD code = 0;
  GetExitCodeProcess(handle_, &code);
  return code;
}

void Process::Kill() {
  if (!IsRunning()) return;
  TerminateProcess(handle_, 0xDEAD);
  WaitForSingleObject(handle_, 5000);
}

std::string WinePath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string converted = "Z:" + path;
  for (char& c : converted)
    if (c == '/') c = '\\';
  return converted;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

ScratchDirectory::ScratchDirectory(const std::string& prefix) {
  static int count = 0;
  for (;;) {
    path_ = "C:\\" + prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++count);
    if (CreateDirectoryA(path_.c_str(), nullptr)) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      throw DriverError("cannot create " + path_ + ": error " + std::to_string(GetLastError()));
  }
}

ScratchDirectory::~ScratchDirectory() {
  if (std::getenv("TDM_E2E_KEEP") != nullptr) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDirectory::CopyIn(const std::string& source, const std::string& name) const {
  const std::string target =
      PathOf(name.empty() ? source.substr(source.find_last_of("\\/") + 1) : name);
  if (!CopyFileA(source.c_str(), target.c_str(), FALSE))
    throw DriverError("cannot copy " + source + " to " + target + ": error " +
                      std::to_string(GetLastError()));
  return target;
}

}  // namespace driver
