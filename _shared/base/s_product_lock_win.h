#pragma once
#include <windows.h>

#include <string>

#include "s_handle_win.h"

// The lock of one installation: held by whichever program of the product is changing
// it, so that two never change it at once. A file in the installation folder, open
// without sharing and deleted when closed: only who may write into the folder can take
// it (for an all-users installation, administrators alone), another installation's
// programs never wait for it, and Windows releases it when the holder ends, however it
// ends. Within one process it nests: the apply's own replay finds it held already.
class CProductLock {
 public:
  CProductLock() = default;
  CProductLock(const CProductLock&) = delete;
  CProductLock& operator=(const CProductLock&) = delete;
  ~CProductLock();
  // True when this process now holds the lock of `installDir` (or already did); false
  // when another process holds it or it cannot be made there (no such folder, no right
  // to write into it).
  bool TryAcquire(const std::string& installDir);
  void Release();
  bool Held() const { return bool(file_) || nested_; }

 private:
  handles::Handle file_;
  std::string dir_;
  bool nested_ = false;
};
