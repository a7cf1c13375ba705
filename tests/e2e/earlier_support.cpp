#include "earlier_support.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "setup_builder.h"
#include "setup_run.h"

namespace e2e {
namespace {

constexpr char kProductKey[] = "Software\\Tidemoor";

void WriteValue(HKEY root, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, kProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    throw BuildError("cannot create the product key");
  const LONG result = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) throw BuildError(std::string("cannot write the value ") + name);
}

// VS_VERSIONINFO: length, value length, type 0, the key "VS_VERSION_INFO" in
// UTF-16 with its terminator, padding to 32 bits, then the fixed part if any.
std::vector<std::uint8_t> VersionResource(const VS_FIXEDFILEINFO* fixed) {
  constexpr char kKey[] = "VS_VERSION_INFO";
  constexpr std::size_t kHeader = 3 * sizeof(std::uint16_t) + sizeof kKey * sizeof(std::uint16_t);
  constexpr std::size_t kPadded = (kHeader + 3) / 4 * 4;
  const std::size_t valueLength = fixed != nullptr ? sizeof(VS_FIXEDFILEINFO) : 0;
  std::vector<std::uint8_t> block(kPadded + valueLength, 0);
  const std::uint16_t words[3] = {static_cast<std::uint16_t>(block.size()),
                                  static_cast<std::uint16_t>(valueLength), 0};
  std::memcpy(block.data(), words, sizeof words);
  for (std::size_t i = 0; i < sizeof kKey; ++i)
    block[sizeof words + 2 * i] = static_cast<std::uint8_t>(kKey[i]);
  if (fixed != nullptr) std::memcpy(block.data() + kPadded, fixed, valueLength);
  return block;
}

// Replaces every resource of `exe` by the version resource `block` (none if empty).
void ReplaceResources(const std::string& exe, const std::vector<std::uint8_t>& block) {
  HANDLE update = BeginUpdateResourceA(exe.c_str(), TRUE);
  if (update == nullptr) throw BuildError("cannot open the resources of " + exe);
  if (!block.empty() &&
      !UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1),
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                       const_cast<std::uint8_t*>(block.data()), static_cast<DWORD>(block.size()))) {
    EndUpdateResourceA(update, TRUE);
    throw BuildError("cannot replace the version resource of " + exe);
  }
  if (!EndUpdateResourceA(update, FALSE)) throw BuildError("cannot write the resources of " + exe);
}

}  // namespace

RegisteredValues::RegisteredValues() {
  RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKey);
}

RegisteredValues::~RegisteredValues() {
  RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKey);
}

void RegisteredValues::SetLanguage(HKEY root, DWORD language) {
  WriteValue(root, "Language", REG_DWORD, &language, sizeof language);
}

void RegisteredValues::SetString(HKEY root, const char* name, const std::string& value) {
  WriteValue(root, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

InstalledClient::InstalledClient(DWORD ms, DWORD ls) : folder_("tdm-e2e-client") {
  const std::string exe = folder_.CopyIn(DemoClientPath(), "TDMClient.exe");
  VS_FIXEDFILEINFO fixed{};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = 0x00010000;
  fixed.dwFileVersionMS = ms;
  fixed.dwFileVersionLS = ls;
  fixed.dwProductVersionMS = ms;
  fixed.dwProductVersionLS = ls;
  fixed.dwFileOS = VOS_NT_WINDOWS32;
  fixed.dwFileType = VFT_APP;
  ReplaceResources(exe, VersionResource(&fixed));
}

void InstalledClient::DropFixedVersionPart() {
  ReplaceResources(ClientPath(), VersionResource(nullptr));
}

void InstalledClient::DropVersionResource() {
  ReplaceResources(ClientPath(), {});
}

archive::ArchiveDescription UpdateArchive(std::uint32_t requiredMS, std::uint32_t requiredLS,
                                          std::uint32_t packageMS, std::uint32_t packageLS) {
  archive::ArchiveDescription description = SmallArchive(archive::SetupKind::Update);
  description.requiredVersionMS = requiredMS;
  description.requiredVersionLS = requiredLS;
  description.packageVersionMS = packageMS;
  description.packageVersionLS = packageLS;
  return description;
}

Refusal RunToRefusal(const archive::ArchiveDescription& description) {
  SetupUnderTest setup(description);
  setup.Start();
  const driver::MessageBoxWindow box = setup.WaitForMessageBox();
  Refusal seen;
  seen.caption = box.Caption();
  seen.text = box.Text();
  seen.hasIcon = box.HasIcon();
  seen.exitCode = setup.DismissRefusal(box);
  seen.log = setup.LogTexts();
  return seen;
}

}  // namespace e2e
