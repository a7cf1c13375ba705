// mksetup update OLD.ini NEW.ini --stub S -o Update.exe: the Update installer that
// brings an installation of the old full release to the new one.
#pragma once

#include <filesystem>
#include <ostream>

#include "signing.h"

namespace mksetup {

struct UpdateOptions {
  std::filesystem::path oldManifest, newManifest;
  std::filesystem::path oldPayload, newPayload;  // override the manifests', when given
  std::filesystem::path stub, output;
  SigningOptions signing;
  std::filesystem::path feed;  // when given, the new release's updater must accept it
};

int BuildDerivedUpdate(const UpdateOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mksetup
