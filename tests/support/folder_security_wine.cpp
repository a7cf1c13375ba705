// The Wine tests' reading of a folder's owner and access list. Wine makes the account
// that runs the tests the owner of every file, with full control, where Windows would
// name SYSTEM, Administrators or TrustedInstaller: that account counts as the
// Administrators group here, and every other entry stays as Wine reports it.
#include <windows.h>
#include <sddl.h>

#include "s_folder_rights_win.h"

namespace folder_rights {
namespace {

std::string OwnAccount() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  alignas(TOKEN_USER) unsigned char buffer[256];
  DWORD size = 0;
  std::string sid;
  char* text = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
      ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
    sid = text;
    LocalFree(text);
  }
  CloseHandle(token);
  return sid;
}

}  // namespace

std::string SecurityText(const std::string& path) {
  std::string text = SystemSecurityText(path);
  const std::string own = OwnAccount();
  for (std::size_t at = own.empty() ? std::string::npos : text.find(own); at != std::string::npos;
       at = text.find(own, at))
    text.replace(at, own.size(), "BA");
  return text;
}

}  // namespace folder_rights
