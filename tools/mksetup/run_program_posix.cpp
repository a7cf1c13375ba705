#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "run_program.h"

extern char** environ;

namespace mksetup {
namespace {

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

// A pipe already holding `secret`, its write end closed: the reader meets the end of
// the bytes, and nothing waits on it. Secrets beyond the pipe's buffer are refused.
bool SecretPipe(const std::string& secret, Fd& readEnd) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return false;
  readEnd.fd = ends[0];
  Fd writeEnd{ends[1]};
  return ::write(writeEnd.fd, secret.data(), secret.size()) == static_cast<ssize_t>(secret.size());
}

}  // namespace

int RunProgram(const std::vector<std::string>& args, const std::filesystem::path& output,
               const std::string* secret) {
  Fd secretPipe;
  // dup2 onto another number clears close-on-exec; onto the same one it need not.
  int secretFd = 3;
  if (secret != nullptr) {
    if (!SecretPipe(*secret, secretPipe)) return -1;
    if (secretPipe.fd == secretFd) secretFd = 4;
  }
  std::vector<std::string> expanded = args;
  for (std::string& arg : expanded)
    if (arg == kSecretArgument) arg = "/dev/fd/" + std::to_string(secretFd);
  std::vector<char*> argv;
  for (std::string& arg : expanded) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (secret != nullptr) posix_spawn_file_actions_adddup2(&actions, secretPipe.fd, secretFd);
  pid_t pid = 0;
  const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (started != 0 || waitpid(pid, &status, 0) != pid) return -1;
  // posix_spawnp may report a missing program only through the child's exit code 127.
  return WIFEXITED(status) && WEXITSTATUS(status) != 127 ? WEXITSTATUS(status) : -1;
}

}  // namespace mksetup
