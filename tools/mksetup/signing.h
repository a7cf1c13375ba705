// Authenticode signing of the finished Setup.exe through osslsigncode, and the
// report of `mksetup verify` on a signed one.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace mksetup {

struct SigningOptions {
  std::string certificate;   // PKCS#12 file; empty: no signing
  std::string passwordFile;  // at most one of these two; neither: no password
  std::string passwordVariable;
  std::string timestampUrl;  // RFC 3161 server, optional
};

// Signs `in` into `out`; `scratch` is a folder for osslsigncode's output. Nothing is written to
// `out` on failure.
bool SignExecutable(const SigningOptions& options, const std::filesystem::path& in,
                    const std::filesystem::path& out, const std::filesystem::path& scratch,
                    std::string& error);

struct SignatureReport {
  bool valid = false;
  std::string signer;   // the certificate's subject, when the signature names one
  std::string problem;  // why it is not valid
};

// What osslsigncode verify's exit code and output say.
SignatureReport ReadVerifyOutput(int exitCode, std::string_view output);

// Runs osslsigncode verify on `exe`, trusting `caFile` too when it is given.
SignatureReport VerifySignature(const std::filesystem::path& exe, const std::string& caFile);

}  // namespace mksetup
