// Two releases of a small installation for the apply's tests under Wine: A installed in
// a folder of the test, B's changed files waiting as its downloads.
#pragma once

#include <string>

#include "release_apply_win.h"

namespace apply_fixture {

// A's files, its list, its links and its version, and B's changed files as downloads.
void InstallAWithDownloads(const std::string& dir, const std::string& group);
// The apply of B over A; the release lives as long as the process.
updater::ApplyRequest Request(const std::string& dir, const std::string& group);
// Every file and folder below `dir` but the downloads, with its bytes; the group's
// links; the version Apps & features shows.
std::string Snapshot(const std::string& dir, const std::string& group);

}  // namespace apply_fixture
