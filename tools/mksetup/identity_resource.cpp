#include "identity_resource.h"

#include "pe_resources.h"
#include "text_encoding.h"

namespace mksetup {
namespace {

bool Convert(const Setting& setting, std::string& out, std::string& error) {
  std::string problem;
  if (!Utf8ToWindows1252(setting.value, out, problem)) {
    error = setting.where + ": " + problem;
    return false;
  }
  if (archive::IsIdentityValue(out)) return true;
  error = setting.where + ": longer than 255 bytes in Windows-1252, or holds a control character";
  return false;
}

bool IsWebAddress(const std::string& url) {
  for (const char* scheme : {"http://", "https://"}) {
    const std::string prefix = scheme;
    if (url.size() > prefix.size() && url.compare(0, prefix.size(), prefix) == 0 &&
        url.find(' ') == std::string::npos)
      return true;
  }
  return false;
}

}  // namespace

bool IdentityResourceBytes(const Manifest& manifest, std::string& bytes, std::string& error) {
  archive::ProductIdentity identity;
  if (!Convert(manifest.publisher, identity.publisher, error) ||
      !Convert(manifest.urlInfoAbout, identity.urlInfoAbout, error))
    return false;
  if (!identity.urlInfoAbout.empty() && !IsWebAddress(identity.urlInfoAbout)) {
    error = manifest.urlInfoAbout.where + ": \"" + manifest.urlInfoAbout.value +
            "\" is no http:// or https:// address";
    return false;
  }
  bytes = archive::ProductIdentityBytes(identity);
  return true;
}

bool ReadIdentityResource(const std::vector<std::uint8_t>& image,
                          archive::ProductIdentity& identity, std::string& error) {
  identity = {};
  std::vector<std::uint8_t> data;
  std::string absent;
  if (!peres::ReadResource(image, "BIN", archive::kIdentityResourceName, data, absent)) return true;
  const auto read = archive::ParseProductIdentity(data.data(), data.size());
  if (!read) {
    error = std::string("resource ") + archive::kIdentityResourceName + " is damaged";
    return false;
  }
  identity = *read;
  return true;
}

}  // namespace mksetup
