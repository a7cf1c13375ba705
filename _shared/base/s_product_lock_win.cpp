#include "s_product_lock_win.h"

namespace {

constexpr char kLockName[] = "Global\\Tidemoor.ProductLock";

}  // namespace

CProductLock::~CProductLock() {
  Release();
}

bool CProductLock::TryAcquire() {
  if (handle_ != nullptr) return true;
  // Made by another user's program with its default security, the mutex may refuse
  // us access: that program then holds it, or did a moment ago.
  HANDLE mutex = CreateMutexA(nullptr, FALSE, kLockName);
  if (mutex == nullptr) return false;
  // An abandoned mutex means its holder ended mid-change; the next program repairs
  // what it can, as after any interrupted run.
  const DWORD waited = WaitForSingleObject(mutex, 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    CloseHandle(mutex);
    return false;
  }
  handle_ = mutex;
  return true;
}

void CProductLock::Release() {
  if (handle_ == nullptr) return;
  ReleaseMutex(handle_);
  CloseHandle(handle_);
  handle_ = nullptr;
}
