#include "s_registry_win.h"

#include <cstring>
#include <memory>

#include "s_registry_calls.h"

namespace {

std::unique_ptr<CReg> theReg;

// An opened registry key, closed on every way out.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_ != nullptr) registry_calls::CloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  bool Create(HKEY root, const char* path) {
    return registry_calls::CreateKey(root, path, KEY_WRITE, &key_) == ERROR_SUCCESS;
  }
  bool Open(HKEY root, const char* path, REGSAM access) {
    return registry_calls::OpenKey(root, path, access, &key_) == ERROR_SUCCESS;
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

CReg* CReg::Instance() {
  if (!theReg) theReg = std::make_unique<CReg>();
  return theReg.get();
}

void CReg::FreeInstance() {
  theReg.reset();
}

bool CReg::CreateKey(HKEY root, const char* path) {
  RegistryKey key;
  return key.Create(root, path);
}

bool CReg::DeleteKey(HKEY root, const char* path) {
  return registry_calls::DeleteKey(root, path) == ERROR_SUCCESS;
}

bool CReg::WriteDWord(HKEY root, const char* path, const char* name, DWORD value) {
  RegistryKey key;
  if (!key.Open(root, path, KEY_WRITE)) return false;
  return registry_calls::SetValue(key.get(), name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                  sizeof value) == ERROR_SUCCESS;
}

bool CReg::WriteString(HKEY root, const char* path, const char* name, const char* value) {
  if (value == nullptr) return false;
  const std::size_t length = std::strlen(value);
  if (length >= MAXDWORD) return false;
  RegistryKey key;
  if (!key.Open(root, path, KEY_WRITE)) return false;
  return registry_calls::SetValue(key.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                  static_cast<DWORD>(length + 1)) == ERROR_SUCCESS;
}

bool CReg::ReadDWord(HKEY root, const char* path, const char* name, DWORD& value) {
  value = 0;
  RegistryKey key;
  if (!key.Open(root, path, KEY_READ)) return false;
  DWORD stored = 0;
  DWORD type = REG_NONE;
  DWORD size = sizeof stored;
  if (registry_calls::QueryValue(key.get(), name, &type, reinterpret_cast<BYTE*>(&stored), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_DWORD || size != sizeof stored) return false;
  value = stored;
  return true;
}

bool CReg::ReadString(HKEY root, const char* path, const char* name, char* buffer,
                      DWORD bufferSize) {
  if (buffer == nullptr || bufferSize == 0) return false;
  buffer[0] = '\0';
  RegistryKey key;
  if (!key.Open(root, path, KEY_READ)) return false;
  DWORD size = bufferSize;
  if (registry_calls::QueryValue(key.get(), name, nullptr, reinterpret_cast<BYTE*>(buffer),
                                 &size) != ERROR_SUCCESS ||
      size > bufferSize) {
    buffer[0] = '\0';
    return false;
  }
  // A value may be stored without its terminator: it must end inside the buffer.
  if (std::memchr(buffer, '\0', size) != nullptr) return true;
  if (size == bufferSize) {
    buffer[0] = '\0';
    return false;
  }
  buffer[size] = '\0';
  return true;
}
