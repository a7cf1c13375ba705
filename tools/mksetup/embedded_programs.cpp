#include "embedded_programs.h"

#include <fstream>
#include <iterator>

#include "feed_crypto.h"
#include "feed_format.h"
#include "file_time.h"
#include "name_rules.h"
#include "output_guard.h"
#include "pe_resources.h"
#include "release_lock.h"
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

// Removes a run's own preparation folder on every path out.
struct ScratchFolder {
  fs::path path;
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

// The same inputs stamp the same bytes: a file already in place with them stays, so a
// build reading it is not handed a new file under the same name; otherwise the
// prepared one replaces it in one rename.
bool PutInPlace(const fs::path& prepared, const fs::path& final) {
  std::error_code code;
  if (fs::is_regular_file(final, code) && ReadBytes(final) == ReadBytes(prepared)) return true;
  fs::rename(prepared, final, code);
  return !code;
}

// Written apart and renamed, so a reader sees the old record or the new one.
bool WriteBytesInPlace(const fs::path& file, const std::string& bytes) {
  fs::path partial = file;
  partial += ".partial";
  std::error_code code;
  if (!WriteBytes(partial, bytes)) return false;
  fs::rename(partial, file, code);
  return !code;
}

}  // namespace

std::string ProductName(const Manifest& m) {
  const std::string& folder = m.installFolder.value;
  const std::size_t slash = folder.find_last_of('\\');
  return slash == std::string::npos ? folder : folder.substr(slash + 1);
}

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

bool UpdaterPublicKey(const Manifest& m, feed::PublicKey& key, std::string& error) {
  if (LoadPublicKey(FromManifest(m, m.updaterPublicKey.value), key, error)) return true;
  error = m.updaterPublicKey.where + ": " + error;
  return false;
}

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
  if (!UpdaterPublicKey(m, key, error)) return false;
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
  // Another build of this release may be reading the prepared updater right now, so
  // it is stamped in a folder of this run's own and only then renamed into place.
  const fs::path folder = ReleaseProgramsFolder(m), stamped = folder / kUpdaterName;
  fs::path scratch;
  fs::create_directories(folder, code);
  if (code || !CreateWorkFolder(folder / "prepare", scratch, error)) {
    error = m.updaterProgram.where + ": the updater cannot be prepared in " + PathText(folder) +
            ": " + (code ? code.message() : error);
    return false;
  }
  const ScratchFolder cleanup{scratch};
  const fs::path url = scratch / "feed-url", keyFile = scratch / "feed-key",
                 product = scratch / "feed-product", prepared = scratch / kUpdaterName;
  const std::vector<peres::AddedResource> resources = {
      {feed::kUpdaterResourceType, feed::kUpdaterUrlResource, PathText(url)},
      {feed::kUpdaterResourceType, feed::kUpdaterKeyResource, PathText(keyFile)},
      {feed::kUpdaterResourceType, feed::kUpdaterProductResource, PathText(product)}};
  bool ready = WriteBytes(url, m.updaterFeed.value) &&
               WriteBytes(keyFile, std::string(key.begin(), key.end())) &&
               WriteBytes(product, ProductName(m)) &&
               peres::WriteWithResources(PathText(program), resources, PathText(prepared), error);
  if (ready) {
    OnReleaseProgramPrepared(kUpdaterName);
    ready = PutInPlace(prepared, stamped);
  }
  if (!ready) {
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

std::string UpdaterLinkNote(const Manifest& m, const archive::ArchiveDescription& d) {
  if (m.updaterProgram.where.empty()) return {};
  const std::string updater = FoldCase(kUpdaterName);
  if (FoldCase(d.programFile) == updater) return {};
  for (const archive::WriterShortcut& shortcut : d.shortcuts)
    if (FoldCase(shortcut.targetFile) == updater) return {};
  return "note: no link starts updater.exe, so players never get an update; point the game's "
         "links at it ([Program] File = updater.exe, or Game = updater.exe under [Shortcuts])";
}

bool SignEmbeddedPrograms(const Manifest& m, const SigningOptions& signing,
                          archive::ArchiveDescription& d, std::string& error) {
  if (signing.certificate.empty()) return true;
  const fs::path folder = ReleaseProgramsFolder(m);
  std::error_code code;
  fs::create_directories(folder, code);
  // One build of the release signs at a time: a second one waits, then finds the
  // signature made and takes its bytes.
  ReleaseLock lock;
  if (!lock.Acquire(folder / ".lock", error)) return false;
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
      fs::path scratch;
      if (!CreateWorkFolder(folder / "signing", scratch, error)) return false;
      const ScratchFolder cleanup{scratch};
      const fs::path partial = scratch / file.name;
      if (!SignExecutable(signing, file.sourcePath, partial, scratch, error)) return false;
      std::error_code renamed;
      fs::rename(partial, signedFile, renamed);
      if (renamed || !WriteBytesInPlace(signedFrom, from)) {
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
