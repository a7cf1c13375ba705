// CReg's shell-link writer and key test.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include "s_registry_calls.h"
#include "s_registry_win.h"

namespace {

// Releases a COM interface on every path out.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_ != nullptr) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// OLE for the calling thread, undone on every path once it was done.
class OleScope {
 public:
  OleScope() : result_(OleInitialize(nullptr)) {}
  ~OleScope() {
    if (ok()) OleUninitialize();
  }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;
  bool ok() const { return result_ == S_OK || result_ == S_FALSE; }

 private:
  HRESULT result_;
};

}  // namespace

bool CReg::KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (registry_calls::OpenKey(root, path, KEY_READ, &key) != ERROR_SUCCESS) return false;
  registry_calls::CloseKey(key);
  return true;
}

bool CReg::CreateShellLink(const char* linkPath, const char* target, const char* arguments,
                           const char* workingDirectory, int showCommand, const char* iconPath,
                           int iconIndex) {
  OleScope ole;
  if (!ole.ok()) return false;
  ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(link.out()))))
    return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))))
    return false;
  wchar_t widePath[1024];
  if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, 1024) == 0) return false;
  const bool targetSet = SUCCEEDED(link->SetPath(target));
  link->SetWorkingDirectory(workingDirectory);
  if (showCommand != 0) link->SetShowCmd(showCommand);
  if (iconPath != nullptr) link->SetIconLocation(iconPath, iconIndex);
  if (arguments != nullptr) link->SetArguments(arguments);
  return targetSet && SUCCEEDED(file->Save(widePath, TRUE));
}
