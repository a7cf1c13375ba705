// What mksetup writes must never cost the publisher an input: an output that is one
// of the files the build reads, or a folder, is refused before anything is written,
// and the new file is built apart and only then renamed over the old one.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "archive_writer.h"
#include "manifest.h"

namespace mksetup {

// Every file a build reads: the manifest, its terms, icon and uninstaller, and each
// payload file of the description.
std::vector<std::filesystem::path> BuildInputs(const std::filesystem::path& manifestFile,
                                               const Manifest& manifest,
                                               const archive::ArchiveDescription& description);

// False with `error` when `output` is a folder or the same file (by device and inode,
// whatever the name) as one of `inputs`. A missing output is fine.
bool CheckOutput(const std::filesystem::path& output,
                 const std::vector<std::filesystem::path>& inputs, std::string& error);

// Creates a folder beside `output` under a new random name; creation fails rather
// than reuse one that exists, so the folder is this run's alone to fill and remove.
bool CreateWorkFolder(const std::filesystem::path& output, std::filesystem::path& folder,
                      std::string& error);

}  // namespace mksetup
