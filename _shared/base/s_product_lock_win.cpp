#include "s_product_lock_win.h"

#include <algorithm>
#include <vector>

#include "fixed_names.h"
#include "name_rule.h"

namespace {

// The folders whose lock this process holds, for the nesting.
SRWLOCK heldGuard = SRWLOCK_INIT;
std::vector<std::string>& HeldHere() {
  static std::vector<std::string> held;
  return held;
}

std::string Key(std::string dir) {
  while (!dir.empty() && dir.back() == '\\') dir.pop_back();
  return installation::FoldCase(dir);
}

class Guard {
 public:
  Guard() { AcquireSRWLockExclusive(&heldGuard); }
  ~Guard() { ReleaseSRWLockExclusive(&heldGuard); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;
};

}  // namespace

CProductLock::~CProductLock() {
  Release();
}

bool CProductLock::TryAcquire(const std::string& installDir) {
  if (Held()) return true;
  const std::string key = Key(installDir);
  const Guard guard;
  std::vector<std::string>& held = HeldHere();
  if (std::find(held.begin(), held.end(), key) != held.end()) {
    nested_ = true;
    dir_ = key;
    return true;
  }
  std::string path = installDir;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  path += std::string("\\") + installation::kLockFileName;
  file_.reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!file_) return false;
  dir_ = key;
  held.push_back(key);
  return true;
}

void CProductLock::Release() {
  if (!Held()) return;
  if (!nested_) {
    const Guard guard;
    std::vector<std::string>& held = HeldHere();
    held.erase(std::remove(held.begin(), held.end(), dir_), held.end());
    file_.reset();
  }
  nested_ = false;
  dir_.clear();
}
