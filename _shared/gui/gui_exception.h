// The class library's exception family. The installation routine catches these
// around its whole run; anywhere else they reach the application's standard report.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace gui {

// Not std::runtime_error: that class's reference-counted text brings its own string
// code into the program (BENCHMARKS.md, the stub's size).
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// Raised by a checked access outside a text or list, as a character test of an
// empty text is.
class ERangeError : public Exception {
 public:
  ERangeError() : Exception("Range check error") {}
};

// Raises Exception for a window that Windows would not create, with Windows' reason.
[[noreturn]] void RaiseLastWindowError(const std::string& name);

}  // namespace gui
