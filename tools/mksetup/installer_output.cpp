#include "installer_output.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "output_guard.h"
#include "segment_files.h"
#include "setup_exe.h"
#include "text_encoding.h"

namespace mksetup {

namespace fs = std::filesystem;

bool LoadIcon(const Manifest& manifest, std::optional<IconResources>& icon, std::string& error) {
  if (manifest.icon.value.empty()) return true;
  const fs::path file = manifest.folder / manifest.icon.value;
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  icon.emplace();
  if (!in.bad() && fs::is_regular_file(file) && SplitIconFile(bytes, *icon, error)) return true;
  error = manifest.icon.where + ": " + PathText(file) + " " +
          (error.empty() ? std::string("cannot be read") : error);
  return false;
}

bool WriteInstaller(const InstallerBuild& build, const fs::path& output, std::string& error) {
  fs::path work;
  if (!CreateWorkFolder(output, work, error)) return false;
  const fs::path parts = work / "parts", partial = work / "Setup.exe";
  bool ok = BuildSegmentFiles(*build.description, *build.plan, parts, build.progress, error) &&
            WriteSetupExe(build.stub, parts, build.plan->segmentCount, build.icon, partial, error,
                          build.identity);
  fs::path finished = partial;
  if (ok && !build.signing.certificate.empty()) {
    finished = work / "signed.exe";
    ok = SignExecutable(build.signing, partial, finished, work, error);
  }
  if (ok) {
    std::error_code code;
    fs::rename(finished, output, code);
    if (code) error = PathText(output) + ": " + code.message();
    ok = !code;
  }
  std::error_code ignored;
  fs::remove_all(work, ignored);
  return ok;
}

}  // namespace mksetup
