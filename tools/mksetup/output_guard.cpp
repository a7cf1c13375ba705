#include "output_guard.h"

#include <random>
#include <system_error>

namespace mksetup {

namespace fs = std::filesystem;

namespace {
fs::path FromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}
}  // namespace

std::vector<fs::path> BuildInputs(const fs::path& manifestFile, const Manifest& manifest,
                                  const archive::ArchiveDescription& description) {
  std::vector<fs::path> inputs = {manifestFile};
  for (const Setting& terms : manifest.termsFile)
    inputs.push_back(manifest.folder / FromUtf8(terms.value));
  for (const Setting* named : {&manifest.icon, &manifest.uninstaller})
    if (!named->value.empty()) inputs.push_back(manifest.folder / FromUtf8(named->value));
  for (const archive::WriterFile& file : description.files)
    if (!file.sourcePath.empty()) inputs.push_back(file.sourcePath);
  return inputs;
}

bool CheckOutput(const fs::path& output, const std::vector<fs::path>& inputs, std::string& error) {
  std::error_code code;
  if (fs::is_directory(output, code)) {
    error = PathText(output) + ": is a folder; name the file to write";
    return false;
  }
  if (!fs::exists(output, code)) return true;
  for (const fs::path& input : inputs)
    if (fs::equivalent(output, input, code)) {
      error = PathText(output) + ": is " + PathText(input) +
              ", which this build reads; name another output";
      return false;
    }
  return true;
}

bool CreateWorkFolder(const fs::path& output, fs::path& folder, std::string& error) {
  std::random_device random;
  std::error_code code;
  for (int attempt = 0; attempt < 100; ++attempt) {
    folder = output;
    folder += "." + std::to_string(random()) + ".tmp";
    // create_directory says false, without an error, when the name exists already.
    if (fs::create_directory(folder, code)) {
      fs::permissions(folder, fs::perms::owner_all, code);
      return true;
    }
    if (code) break;
  }
  // Named as the user named it, not by the scratch name this run tried.
  const fs::path parent = output.has_parent_path() ? output.parent_path() : fs::path(".");
  std::error_code ignored;
  if (!fs::is_directory(parent, ignored))
    error = PathText(parent) + ": no such folder to write " + PathText(output.filename()) + " in";
  else
    error = PathText(output) + ": cannot create a folder beside it to build in" +
            (code ? ": " + code.message() : std::string());
  return false;
}

}  // namespace mksetup
