#include "update_command.h"

#include <fstream>
#include <optional>

#include "commands.h"
#include "embedded_programs.h"
#include "feed_publish.h"
#include "icon_file.h"
#include "installer_output.h"
#include "manifest.h"
#include "release_description.h"
#include "output_guard.h"
#include "update_derive.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

bool SameFileBytes(const archive::WriterFile& a, const archive::WriterFile& b) {
  if (a.sourcePath.empty() || b.sourcePath.empty())
    return a.sourcePath.empty() && b.sourcePath.empty() &&
           std::equal(a.bytes.begin(), a.bytes.end(), b.bytes.begin(), b.bytes.end());
  std::ifstream left(a.sourcePath, std::ios::binary), right(b.sourcePath, std::ios::binary);
  std::vector<char> x(1 << 16), y(1 << 16);
  while (left && right) {
    left.read(x.data(), static_cast<std::streamsize>(x.size()));
    right.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (left.gcount() != right.gcount() ||
        !std::equal(x.begin(), x.begin() + left.gcount(), y.begin()))
      return false;
  }
  return left.eof() && right.eof();
}

}  // namespace

int BuildDerivedUpdate(const UpdateOptions& o, std::ostream& out, std::ostream& err) {
  std::string error;
  Manifest oldManifest, newManifest;
  archive::ArchiveDescription oldRelease, newRelease, update;
  archive::ArchivePlan plan;
  std::optional<IconResources> icon;
  bool ok = ReadManifest(o.oldManifest, oldManifest, error) &&
            ReadManifest(o.newManifest, newManifest, error) &&
            DescribeRelease(oldManifest, o.oldPayload, oldRelease, plan, error) &&
            DescribeRelease(newManifest, o.newPayload, newRelease, plan, error) &&
            (o.feed.empty() || ManifestKeyAccepted(newManifest, o.feed, error)) &&
            SignEmbeddedPrograms(oldManifest, o.signing, oldRelease, error) &&
            SignEmbeddedPrograms(newManifest, o.signing, newRelease, error) &&
            DeriveUpdate({PathText(o.oldManifest), &oldRelease},
                         {PathText(o.newManifest), &newRelease}, SameFileBytes, update, error) &&
            LoadIcon(newManifest, icon, error);
  if (ok) {
    std::vector<fs::path> inputs = BuildInputs(o.oldManifest, oldManifest, oldRelease);
    const std::vector<fs::path> newInputs = BuildInputs(o.newManifest, newManifest, newRelease);
    inputs.insert(inputs.end(), newInputs.begin(), newInputs.end());
    inputs.insert(inputs.end(), {o.stub, o.signing.certificate, o.signing.passwordFile});
    ok = CheckOutput(o.output, inputs, error);
  }
  if (ok && !archive::PlanArchive(update, plan, error))
    error = "the update does not fit the archive: " + error, ok = false;
  if (ok) {
    InstallerBuild build;
    build.description = &update;
    build.plan = &plan;
    build.stub = o.stub;
    build.icon = icon ? &*icon : nullptr;
    build.signing = o.signing;
    ok = WriteInstaller(build, o.output, error);
  }
  if (!ok) {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  out << "wrote " << PathText(o.output) << ": update " << oldRelease.packageVersionMS << "."
      << oldRelease.packageVersionLS << " -> " << update.packageVersionMS << "."
      << update.packageVersionLS << ", " << update.files.size() << " files, "
      << update.obsoleteFiles.size() << " obsolete\n";
  return kExitOk;
}

}  // namespace mksetup
