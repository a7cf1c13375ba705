#include "s_product_lock_win.h"

#include <utility>

namespace {

constexpr char kLockName[] = "Global\\Tidemoor.ProductLock";

}  // namespace

CProductLock::~CProductLock() {
  Release();
}

bool CProductLock::TryAcquire() {
  if (handle_) return true;
  // Made by another user's program with its default security, the mutex may refuse
  // us access: that program then holds it, or did a moment ago.
  handles::Handle mutex(CreateMutexA(nullptr, FALSE, kLockName));
  if (!mutex) return false;
  // An abandoned mutex means its holder ended mid-change; the next program repairs
  // what it can, as after any interrupted run.
  const DWORD waited = WaitForSingleObject(mutex.get(), 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
  handle_ = std::move(mutex);
  return true;
}

void CProductLock::Release() {
  if (!handle_) return;
  ReleaseMutex(handle_.get());
  handle_.reset();
}
