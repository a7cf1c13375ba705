// Where things are, seen from a test running inside Wine: build artefacts arrive as
// Unix paths (compile definitions, arguments) and Wine shows the Unix root as Z:.
#pragma once

#include <optional>
#include <string>

namespace driver {

// "/a/b" becomes "Z:\a\b"; a path that already has a drive letter is returned as is.
std::string WinePath(const std::string& path);

// The folder of the running test program, ending in a backslash.
std::string ProgramDirectory();

bool FileExists(const std::string& path);
// The whole file as bytes; nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// A fresh folder C:\<prefix>-<process id>-<n> inside the Wine prefix, for a
// Setup.exe that writes next to itself ("setup.log" with -debug). Removed with its
// contents when the object goes away, unless TDM_E2E_KEEP is set.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& prefix = "tdm-e2e");
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory();

  // Without a trailing backslash.
  const std::string& Path() const { return path_; }
  std::string PathOf(const std::string& name) const { return path_ + "\\" + name; }
  // Copies `source` in under `name` (default: its own file name) and returns the
  // new path; throws DriverError when the copy fails.
  std::string CopyIn(const std::string& source, const std::string& name = {}) const;

 private:
  std::string path_;
};

}  // namespace driver
