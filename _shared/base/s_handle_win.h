// Owners of what Windows hands out to be closed: a kernel handle, a find handle, a
// registry key. Each closes on leaving its scope, so an early return or an exception
// between open and close leaks nothing; `get()` lends the raw value to a call.
#pragma once
#include <windows.h>

#include <utility>

namespace handles {

// Traits: Raw, None() (what the opener returns on failure), Close(raw).
template <typename Traits>
class Owned {
 public:
  using Raw = typename Traits::Raw;
  Owned() = default;
  explicit Owned(Raw raw) : raw_(raw) {}
  Owned(Owned&& other) noexcept : raw_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }

  Raw get() const { return raw_; }
  explicit operator bool() const { return raw_ != Traits::None() && raw_ != Raw{}; }
  // Where an opener stores what it opens (RegOpenKeyExA's last argument).
  Raw* put() {
    reset();
    return &raw_;
  }
  Raw release() { return std::exchange(raw_, Traits::None()); }
  void reset(Raw raw = Traits::None()) {
    if (*this) Traits::Close(raw_);
    raw_ = raw;
  }

 private:
  Raw raw_ = Traits::None();
};

// A file, a process, an event, a mutex: what CloseHandle ends. INVALID_HANDLE_VALUE and
// null both mean none, as CreateFile and the other openers differ in which they return.
struct KernelTraits {
  using Raw = HANDLE;
  static Raw None() { return INVALID_HANDLE_VALUE; }
  static void Close(Raw raw) { CloseHandle(raw); }
};
struct FindTraits {
  using Raw = HANDLE;
  static Raw None() { return INVALID_HANDLE_VALUE; }
  static void Close(Raw raw) { FindClose(raw); }
};
struct KeyTraits {
  using Raw = HKEY;
  static Raw None() { return nullptr; }
  static void Close(Raw raw) { RegCloseKey(raw); }
};

using Handle = Owned<KernelTraits>;
using Find = Owned<FindTraits>;
using Key = Owned<KeyTraits>;

// What CreateProcess hands back, both handles owned.
struct Process {
  explicit Process(const PROCESS_INFORMATION& started)
      : process(started.hProcess), thread(started.hThread) {}
  Handle process;
  Handle thread;
};

}  // namespace handles
