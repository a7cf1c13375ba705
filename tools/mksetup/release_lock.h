// A lock on one release's prepared programs, so that two builds of the release at
// once never sign the same program twice or read a record the other is writing.
#pragma once

#include <filesystem>
#include <string>

namespace mksetup {

class ReleaseLock {
 public:
  ReleaseLock() = default;
  ~ReleaseLock();
  ReleaseLock(const ReleaseLock&) = delete;
  ReleaseLock& operator=(const ReleaseLock&) = delete;

  // Waits until no other process holds the lock on `file` (made when missing), then
  // holds it until destruction. False with `error` naming the file when it cannot.
  bool Acquire(const std::filesystem::path& file, std::string& error);

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int descriptor_ = -1;
#endif
};

// Called once a run has prepared `name` in a folder of its own and before it puts it
// in place; production links a hook that does nothing, tests one that runs a second
// build of the same release right there.
void OnReleaseProgramPrepared(const char* name);

}  // namespace mksetup
