#include <windows.h>

#include <random>

#include "run_program.h"
#include "s_handle_win.h"

namespace mksetup {
namespace {

// One argument quoted, where it needs to be, the way the C runtime's command-line
// parser splits it again (cmd.exe takes a quoted command for a program's name).
std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
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

using OwnedHandle = handles::Handle;

// A named pipe of a random name that serves `secret` once: the program opens it by its
// path as it would a file, and nothing of the secret is written to disk.
bool CreateSecretPipe(std::string& name, OwnedHandle& pipe) {
  std::random_device random;
  name = "\\\\.\\pipe\\mksetup-" + std::to_string(random()) + "-" + std::to_string(random());
  pipe.reset(CreateNamedPipeA(
      name.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
      PIPE_TYPE_BYTE | PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 0, 0, nullptr));
  return bool(pipe);
}

// Waits until the program opens the pipe (or ends without), then hands the secret over.
void ServeSecret(HANDLE pipe, HANDLE process, const std::string& secret) {
  const OwnedHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.get();
  DWORD done = 0;
  bool connected =
      ConnectNamedPipe(pipe, &overlapped) != 0 || GetLastError() == ERROR_PIPE_CONNECTED;
  if (!connected && GetLastError() == ERROR_IO_PENDING) {
    const HANDLE waits[] = {event.get(), process};
    connected = WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0;
    if (!connected) CancelIo(pipe);
    GetOverlappedResult(pipe, &overlapped, &done, TRUE);  // the operation must end first
  }
  if (!connected) return;
  ResetEvent(event.get());
  if (WriteFile(pipe, secret.data(), static_cast<DWORD>(secret.size()), nullptr, &overlapped) ||
      GetLastError() == ERROR_IO_PENDING)
    GetOverlappedResult(pipe, &overlapped, &done, TRUE);
  FlushFileBuffers(pipe);  // returns once the program has read it all
}

}  // namespace

int RunProgram(const std::vector<std::string>& args, const std::filesystem::path& output,
               const std::string* secret) {
  std::string pipeName;
  OwnedHandle pipe;
  if (secret != nullptr && !CreateSecretPipe(pipeName, pipe)) return -1;
  std::string commandLine;
  for (const std::string& arg : args)
    commandLine += (commandLine.empty() ? "" : " ") +
                   Quoted(secret != nullptr && arg == kSecretArgument ? pipeName : arg);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const OwnedHandle file(CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return -1;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file.get();
  startup.hStdError = file.get();
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process))
    return -1;
  const handles::Process started(process);
  if (secret != nullptr) {
    ServeSecret(pipe.get(), process.hProcess, *secret);
    pipe.reset();  // the program reads to its end
  }
  DWORD code = 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  return GetExitCodeProcess(process.hProcess, &code) ? static_cast<int>(code) : -1;
}

}  // namespace mksetup
