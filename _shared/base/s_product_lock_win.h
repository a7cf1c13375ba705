#pragma once
#include <windows.h>

#include "s_handle_win.h"

// The one lock of the installation: held by whichever program of the product is
// changing it, so that two never change it at once. A named mutex in the Global
// namespace, so sessions of other users see it too; Windows releases it when the
// holder ends, however it ends.
class CProductLock {
 public:
  CProductLock() = default;
  CProductLock(const CProductLock&) = delete;
  CProductLock& operator=(const CProductLock&) = delete;
  ~CProductLock();
  // True when this process now holds the lock (or already did); false when another
  // process holds it or the lock cannot be made.
  bool TryAcquire();
  void Release();
  bool Held() const { return bool(handle_); }

 private:
  handles::Handle handle_;
};
