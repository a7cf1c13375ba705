// CReg: the registry primitives. Each operation opens or creates its key, does one
// thing, closes the key and says whether it worked; nothing is kept between calls.
#pragma once

#include <windows.h>

class CReg {
 public:
  static CReg* Instance();
  // Deletes the object; a second call finds none and does nothing.
  static void FreeInstance();

  // Creates the key with every missing level, or opens an existing one untouched.
  bool CreateKey(HKEY root, const char* path);
  bool DeleteKey(HKEY root, const char* path);
  // Writes into an existing key only; a missing key is a failure, not created.
  bool WriteDWord(HKEY root, const char* path, const char* name, DWORD value);
  // REG_SZ with the text's terminator.
  bool WriteString(HKEY root, const char* path, const char* name, const char* value);
  // True only for a stored REG_DWORD; otherwise `value` is 0.
  bool ReadDWord(HKEY root, const char* path, const char* name, DWORD& value);
  // Reads the stored bytes whatever their type. The buffer always ends up holding a
  // NUL-terminated text (empty after a failure); a value that does not fit together
  // with a terminator is a failure.
  bool ReadString(HKEY root, const char* path, const char* name, char* buffer, DWORD bufferSize);

  // True when the key can be opened for reading.
  bool KeyExists(HKEY root, const char* path);

  // Writes a shell link file through the shell's link object; true when it was saved.
  // Arguments and icon path may be null; a show command of 0 sets none.
  bool CreateShellLink(const char* linkPath, const char* target, const char* arguments,
                       const char* workingDirectory, int showCommand, const char* iconPath,
                       int iconIndex);
};
