// The last steps every installer build shares: the archive and Setup.exe built in a
// folder of this run's own beside the output, signed when asked, and renamed over the
// output only when all of it worked, so a failed or killed build keeps the earlier file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "archive_writer.h"
#include "icon_file.h"
#include "manifest.h"
#include "signing.h"

namespace mksetup {

struct InstallerBuild {
  const archive::ArchiveDescription* description = nullptr;
  const archive::ArchivePlan* plan = nullptr;
  std::filesystem::path stub;
  const IconResources* icon = nullptr;
  std::string identity;  // the product identity resource; empty writes none
  SigningOptions signing;
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

// The manifest's icon, when it names one, checked before anything is built.
bool LoadIcon(const Manifest& manifest, std::optional<IconResources>& icon, std::string& error);

// Call only after CheckOutput has passed for `output`.
bool WriteInstaller(const InstallerBuild& build, const std::filesystem::path& output,
                    std::string& error);

}  // namespace mksetup
