#include <windows.h>

#include "run_program.h"

namespace mksetup {
namespace {

// One argument quoted the way the C runtime's command-line parser splits it again.
std::string Quoted(const std::string& arg) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

struct OwnedHandle {
  HANDLE h;
  ~OwnedHandle() {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

}  // namespace

int RunProgram(const std::vector<std::string>& args, const std::filesystem::path& output,
               const std::string* secret) {
  if (secret != nullptr) return -1;
  std::string commandLine;
  for (const std::string& arg : args) commandLine += (commandLine.empty() ? "" : " ") + Quoted(arg);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  OwnedHandle file{CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.h == INVALID_HANDLE_VALUE) return -1;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file.h;
  startup.hStdError = file.h;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process))
    return -1;
  OwnedHandle processHandle{process.hProcess};
  OwnedHandle threadHandle{process.hThread};
  DWORD code = 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  return GetExitCodeProcess(process.hProcess, &code) ? static_cast<int>(code) : -1;
}

}  // namespace mksetup
