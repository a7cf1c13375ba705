// Waiting with a deadline. Every wait in the end-to-end tests goes through here, so a
// Setup.exe that never shows what a test expects fails that test with a message that
// says what was awaited, instead of hanging the run until ctest's timeout.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace driver {

using Milliseconds = std::chrono::milliseconds;

// Long enough for a loaded machine running Wine, short enough to fail a test quickly.
inline constexpr Milliseconds kDefaultTimeout{15000};

// Raised by the driver when the program under test does not do what the test
// expects in time, or when a test asks for something a user could not do. GoogleTest
// reports the text as the test's failure.
class DriverError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Processes messages sent to this thread (SendMessageCallback's completions).
void PumpOwnMessages();

// Says what a wait waits for; asked only when the wait runs out, so it can tell
// what the program shows at that moment.
using Description = std::function<std::string()>;

// Polls `done` until it returns true; throws DriverError("timed out after N ms
// waiting for <what>") when `timeout` runs out.
void WaitUntil(const std::function<bool()>& done, const Description& what,
               Milliseconds timeout = kDefaultTimeout);
inline void WaitUntil(const std::function<bool()>& done, const std::string& what,
                      Milliseconds timeout = kDefaultTimeout) {
  WaitUntil(done, Description([what] { return what; }), timeout);
}

// Polls `find` until it returns a value and returns that value; throws like WaitUntil.
template <class T>
T WaitFor(const std::function<std::optional<T>()>& find, const Description& what,
          Milliseconds timeout = kDefaultTimeout) {
  std::optional<T> found;
  WaitUntil([&] { return (found = find()).has_value(); }, what, timeout);
  return *found;
}

// Sleeps briefly while this thread keeps its own messages flowing.
void Pause(Milliseconds duration);

}  // namespace driver
