#include "embedded_programs.h"

#include <fstream>
#include <iterator>

#include "feed_crypto.h"
#include "feed_format.h"
#include "file_time.h"
#include "name_rules.h"
#include "pe_resources.h"
#include "setup_exe.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxUrlLength = 2048;
constexpr std::uint32_t kGameLinkId = 23;

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  return !out.fail();
}

}  // namespace

const char* FeedUrlProblem(const std::string& url) {
  if (!url.starts_with("http://") && !url.starts_with("https://"))
    return "is not an http:// or https:// address";
  if (url.size() > kMaxUrlLength) return "is longer than 2048 characters";
  for (const char c : url)
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F)
      return "holds a blank or control character";
  return nullptr;
}

namespace {

fs::path FromManifest(const Manifest& m, const std::string& value) {
  return m.folder / fs::path(std::u8string(value.begin(), value.end()));
}

}  // namespace

fs::path ReleaseProgramsFolder(const Manifest& m) {
  return m.folder / ("release-0." + std::to_string(m.packageVersionMS) + "." +
                     std::to_string(m.packageVersionLS));
}

bool AddUpdater(const Manifest& m, archive::ArchiveDescription& d, std::string& error) {
  if (m.updaterProgram.where.empty()) return true;
  for (const archive::WriterFile& file : d.files)
    if (FoldCase(file.name) == FoldCase(kUpdaterName)) {
      error = m.updaterProgram.where + ": the payload already has \"" + file.name +
              "\", which the updater brings";
      return false;
    }
  if (const char* problem = FeedUrlProblem(m.updaterFeed.value)) {
    error = m.updaterFeed.where + ": \"" + m.updaterFeed.value + "\" " + problem;
    return false;
  }
  feed::PublicKey key{};
  if (!LoadPublicKey(FromManifest(m, m.updaterPublicKey.value), key, error)) {
    error = m.updaterPublicKey.where + ": " + error;
    return false;
  }
  const fs::path program = FromManifest(m, m.updaterProgram.value);
  std::error_code code;
  archive::WriterFile updater;
  const std::string image = ReadBytes(program);
  if (image.empty() ||
      !LooksLikeExecutable({reinterpret_cast<const std::uint8_t*>(image.data()), image.size()}) ||
      !ToFileTime(fs::last_write_time(program, code), updater.fileTime) || code) {
    error = m.updaterProgram.where + ": " + PathText(program) + " is no readable program";
    return false;
  }
  // The same inputs give the same stamped bytes, so rewriting it is harmless.
  const fs::path folder = ReleaseProgramsFolder(m);
  const fs::path url = folder / "feed-url", keyFile = folder / "feed-key",
                 stamped = folder / kUpdaterName;
  const std::vector<peres::AddedResource> resources = {
      {feed::kUpdaterResourceType, feed::kUpdaterUrlResource, PathText(url)},
      {feed::kUpdaterResourceType, feed::kUpdaterKeyResource, PathText(keyFile)}};
  fs::create_directories(folder, code);
  if (code || !WriteBytes(url, m.updaterFeed.value) ||
      !WriteBytes(keyFile, std::string(key.begin(), key.end())) ||
      !peres::WriteWithResources(PathText(program), resources, PathText(stamped), error)) {
    error = m.updaterProgram.where + ": the updater cannot be prepared in " + PathText(folder) +
            (error.empty() ? "" : ": " + error);
    return false;
  }
  updater.name = kUpdaterName;
  updater.sourcePath = stamped;
  updater.size = fs::file_size(stamped, code);
  d.files.push_back(std::move(updater));
  bool hasGameLink = false;
  for (const archive::WriterShortcut& shortcut : d.shortcuts)
    hasGameLink = hasGameLink || shortcut.linkNameId == kGameLinkId;
  if (!hasGameLink) d.shortcuts.push_back({kUpdaterName, kGameLinkId});
  return true;
}

bool SignEmbeddedPrograms(const Manifest& m, const SigningOptions& signing,
                          archive::ArchiveDescription& d, std::string& error) {
  if (signing.certificate.empty()) return true;
  const fs::path folder = ReleaseProgramsFolder(m);
  std::error_code code;
  fs::create_directories(folder, code);
  const std::string certificate = ReadBytes(signing.certificate);
  for (archive::WriterFile& file : d.files) {
    const std::string name = FoldCase(file.name);
    if ((name != "UNINSTALL.EXE" && name != "UPDATER.EXE") || file.sourcePath.empty()) continue;
    // What was signed, and with which certificate: a signature is reused only for
    // these very bytes, so an unchanged release never signs twice.
    const fs::path signedFile = folder / ("signed-" + file.name);
    const fs::path signedFrom = folder / ("signed-" + file.name + ".from");
    const std::string from = ReadBytes(file.sourcePath) + certificate;
    if (!fs::is_regular_file(signedFile, code) || ReadBytes(signedFrom) != from) {
      const fs::path scratch = folder / "signing", partial = scratch / file.name;
      fs::create_directories(scratch, code);
      std::error_code renamed, ignored;
      const bool signedNow = SignExecutable(signing, file.sourcePath, partial, scratch, error);
      if (signedNow) fs::rename(partial, signedFile, renamed);
      fs::remove_all(scratch, ignored);
      if (!signedNow) return false;
      if (renamed || !WriteBytes(signedFrom, from)) {
        error = PathText(signedFile) + ": cannot be written";
        return false;
      }
    }
    file.sourcePath = signedFile;
    file.size = fs::file_size(signedFile, code);
  }
  return true;
}

}  // namespace mksetup
