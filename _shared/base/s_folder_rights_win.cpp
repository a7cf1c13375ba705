#include "s_folder_rights_win.h"

#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <vector>

#include "s_created_record.h"
#include "s_handle_win.h"
#include "s_logging.h"
#include "s_small_file_win.h"

namespace folder_rights {

namespace {

constexpr char kUnit[] = "_shared/folder_rights";
using installation::FolderRights;
// created.lst is a few lines; anything longer is not Setup's.
constexpr std::size_t kMaxRecordBytes = 64 * 1024;

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

// Nothing in `level` but `next` (a name within it).
bool HoldsOnly(const std::string& level, const std::string& next) {
  WIN32_FIND_DATAA found{};
  const handles::Find search(FindFirstFileA((level + "\\*").c_str(), &found));
  if (!search) return false;
  for (bool more = true; more; more = FindNextFileA(search.get(), &found)) {
    const std::string name = found.cFileName;
    if (name != "." && name != ".." &&
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, next.c_str(), -1) !=
            CSTR_EQUAL)
      return false;
  }
  return true;
}

// The level gets SYSTEM and Administrators as owner and full control, Users read and
// execute; for the installation folder, everything inside loses what it had of its own
// and takes that list on, so nothing planted keeps a way in.
bool Protect(const std::string& level, bool installationFolder) {
  PSECURITY_DESCRIPTOR made = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
          (std::string("O:BA") + installation::kProtectedFolderSddl).c_str(), SDDL_REVISION_1,
          &made, nullptr))
    return false;
  const std::unique_ptr<void, LocalFreer> descriptor(made);
  PSID owner = nullptr;
  PACL list = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  if (!GetSecurityDescriptorOwner(made, &owner, &defaulted) ||
      !GetSecurityDescriptorDacl(made, &present, &list, &defaulted))
    return false;
  constexpr SECURITY_INFORMATION kWhat =
      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  DWORD status = SetNamedSecurityInfoA(const_cast<char*>(level.c_str()), SE_FILE_OBJECT, kWhat,
                                       owner, nullptr, list, nullptr);
  if (status == ERROR_SUCCESS && installationFolder) {
    wchar_t wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, level.c_str(), -1, wide, MAX_PATH) <= 0) return false;
    status = TreeResetNamedSecurityInfoW(wide, SE_FILE_OBJECT, kWhat, owner, nullptr, list, nullptr,
                                         FALSE, nullptr, ProgressInvokeNever, nullptr);
  }
  CLog::Instance()->Log(1, kUnit, __LINE__, "protecting %s: %lu", level.c_str(), status);
  return status == ERROR_SUCCESS;
}

}  // namespace

bool MakeProtectedFolder(const char* path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(installation::kProtectedFolderSddl,
                                                            SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const BOOL made = CreateDirectoryA(path, &attributes);
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  SetLastError(error);
  return made != 0;
}

std::string SystemSecurityText(const std::string& path) {
  constexpr SECURITY_INFORMATION kWhat = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, kWhat, nullptr, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS)
    return {};
  char* text = nullptr;
  std::string sddl;
  if (ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, kWhat,
                                                           &text, nullptr)) {
    sddl = text;
    LocalFree(text);
  }
  LocalFree(descriptor);
  return sddl;
}

FolderCheck CheckFolders(const std::string& directory, bool missingFails) {
  const std::vector<std::string> levels = installation::FolderLevels(directory);
  FolderCheck check;
  if (levels.empty()) return {false, directory, FolderRights::kNotUnderstood, {}};
  for (std::size_t i = 0; i < levels.size(); ++i) {
    if (GetFileAttributesA(levels[i].c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (!missingFails) break;
      check = {false, levels[i], FolderRights::kNotUnderstood, {}};
    } else {
      const std::string text = SecurityText(levels[i]);
      const FolderRights verdict = installation::JudgeFolderRights(text, i + 1 == levels.size());
      if (verdict == FolderRights::kSafe) continue;
      check = {false, levels[i], verdict, text};
    }
    CLog::Instance()->Log(1, kUnit, __LINE__, "others may change %s (%d): %s", check.level.c_str(),
                          static_cast<int>(check.verdict), check.text.c_str());
    return check;
  }
  return check;
}

FolderCheck SecureInstallationFolders(const std::string& directory) {
  const FolderCheck first = CheckFolders(directory, true);
  if (first.safe) return first;
  std::string text;
  DWORD error = ERROR_SUCCESS;
  created::CreatedRecord record;
  if (!ReadSmallFile(directory + "\\" + created::kRecordName, kMaxRecordBytes, text, error) ||
      !created::ReadCreatedRecord(text, record))
    record = {};
  const unsigned madeLevels = record.installLevels;
  const std::vector<std::string> levels = installation::FolderLevels(directory);
  std::vector<installation::LevelFacts> facts(levels.size());
  for (std::size_t i = 0; i < levels.size(); ++i) {
    facts[i].rights =
        installation::JudgeFolderRights(SecurityText(levels[i]), i + 1 == levels.size());
    if (i + 1 < levels.size())
      facts[i].holdsOnlyNext =
          HoldsOnly(levels[i], levels[i + 1].substr(levels[i + 1].find_last_of('\\') + 1));
  }
  const installation::FolderRepair repair = installation::PlanFolderRepair(facts, madeLevels);
  if (repair.refuse) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s is not the installation's to protect",
                          levels[repair.failing].c_str());
    return {false, levels[repair.failing], facts[repair.failing].rights, {}};
  }
  for (const std::size_t i : repair.protect)
    if (!Protect(levels[i], i + 1 == levels.size())) return {false, levels[i], facts[i].rights, {}};
  return CheckFolders(directory, true);
}

}  // namespace folder_rights
