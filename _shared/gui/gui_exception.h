// The class library's exception family. The installation routine catches these
// around its whole run; anywhere else they reach the application's standard report.
#pragma once

#include <stdexcept>
#include <string>

namespace gui {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
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
