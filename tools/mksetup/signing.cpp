#include "signing.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "manifest.h"
#include "run_program.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

const char kSigner[] = "osslsigncode";

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Trimmed(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.remove_suffix(1);
  return std::string(line);
}

// The text after the first line that starts with `key`, blanks dropped.
std::string After(std::string_view output, std::string_view key) {
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string_view::npos) end = output.size();
    const std::string line = Trimmed(output.substr(start, end - start));
    if (line.starts_with(key)) return Trimmed(std::string_view(line).substr(key.size()));
    start = end + 1;
  }
  return {};
}

// The password reaches osslsigncode from the publisher's own file or, taken from the
// environment, through a pipe: never on a command line that every user of the machine
// can list, and never in a file of ours.
bool PasswordArguments(const SigningOptions& options, std::vector<std::string>& args,
                       std::optional<std::string>& secret, std::string& error) {
  if (!options.passwordFile.empty()) {
    if (!fs::is_regular_file(options.passwordFile)) {
      error = "password file " + options.passwordFile + " cannot be read";
      return false;
    }
    args.insert(args.end(), {"-readpass", options.passwordFile});
    return true;
  }
  if (options.passwordVariable.empty()) return true;
  const char* password = std::getenv(options.passwordVariable.c_str());
  if (password == nullptr) {
    error = "environment variable " + options.passwordVariable + " is not set";
    return false;
  }
  secret = password;
  args.insert(args.end(), {"-readpass", kSecretArgument});
  return true;
}

}  // namespace

bool SignExecutable(const SigningOptions& options, const fs::path& in, const fs::path& out,
                    const fs::path& scratch, std::string& error) {
  if (!fs::is_regular_file(options.certificate)) {
    error = "certificate " + options.certificate + " cannot be read";
    return false;
  }
  std::vector<std::string> args = {kSigner, "sign", "-pkcs12", options.certificate, "-h", "sha256"};
  std::optional<std::string> secret;
  if (!PasswordArguments(options, args, secret, error)) return false;
  if (!options.timestampUrl.empty()) args.insert(args.end(), {"-ts", options.timestampUrl});
  args.insert(args.end(), {"-in", PathText(in), "-out", PathText(out)});
  const fs::path log = scratch / "signing.log";
  const int code = RunProgram(args, log, secret ? &*secret : nullptr);
  std::error_code ignored;
  if (code == 0 && fs::is_regular_file(out)) return true;
  fs::remove(out, ignored);
  if (code < 0) {
    error = "cannot start osslsigncode to sign (Debian's package osslsigncode provides it)";
    return false;
  }
  const std::string output = ReadText(log);
  const std::string firstLine = Trimmed(output.substr(0, output.find('\n')));
  error = "signing failed: " +
          (firstLine.empty() ? std::string("osslsigncode exit code ").append(std::to_string(code))
                             : firstLine);
  return false;
}

SignatureReport ReadVerifyOutput(int exitCode, std::string_view output) {
  SignatureReport report;
  report.signer = After(output, "Subject:");
  report.valid = exitCode == 0 && After(output, "Signature verification:") == "ok";
  if (report.valid) return report;
  if (exitCode < 0)
    report.problem = "cannot start osslsigncode to check it";
  else if (output.find("MISMATCH") != std::string_view::npos)
    report.problem = "the file was changed after it was signed";
  else if (!After(output, "Error:").empty())
    report.problem = "the certificate is not trusted: " + After(output, "Error:");
  else
    report.problem = "osslsigncode refuses it";
  return report;
}

SignatureReport VerifySignature(const fs::path& exe, const std::string& caFile) {
  std::vector<std::string> args = {kSigner, "verify", "-in", PathText(exe)};
  if (!caFile.empty()) args.insert(args.end(), {"-CAfile", caFile});
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path log = fs::temp_directory_path() /
                       (std::string("mksetup-verify-").append(std::to_string(now)) + ".log");
  const int code = RunProgram(args, log);
  SignatureReport report = ReadVerifyOutput(code, ReadText(log));
  std::error_code ignored;
  fs::remove(log, ignored);
  return report;
}

}  // namespace mksetup
