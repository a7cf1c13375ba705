#include "s_product_lock_win.h"

namespace {
constexpr char kLockName[] = "Global\\Tidemoor.ProductLock";
}  // namespace

CProductLock::~CProductLock() {
  Release();
}

bool CProductLock::TryAcquire() {
  if (handle_ != nullptr) return true;
  HANDLE mutex = CreateMutexA(nullptr, FALSE, kLockName);
  if (mutex == nullptr) return false;
  const DWORD waited = WaitForSingleObject(mutex, 0);
  // A holder that ended without releasing leaves it abandoned: ours now.
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    handle_ = mutex;
    return true;
  }
  CloseHandle(mutex);
  return false;
}

void CProductLock::Release() {
  if (handle_ == nullptr) return;
  ReleaseMutex(handle_);
  CloseHandle(handle_);
  handle_ = nullptr;
}
