// What the in-process tests of the installation engine share: an archive built in
// memory, a wizard form that takes it instead of its own resources, recorders of
// what the status line and the bar show, and readers of files, registry values and
// shell links that do not go through the code under test.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive_writer.h"
#include "setup_archive.h"
#include "u_setup.h"

namespace setup_test {

// 2023-01-02 plus an odd count of 100 ns steps, so a time rounded anywhere shows.
inline constexpr std::uint64_t kFileTime = 133171776001234567ull;

struct MemoryArchive {
  archive::ArchivePlan plan;
  std::array<std::unique_ptr<archive::MemorySink>, archive::kMaxSegments> sinks;
  archive::SegmentViews views{};
  archive::SetupKind kind = archive::SetupKind::Full;
};

// Builds the archive; fails the calling test (and returns null) when the writer
// refuses the description.
std::unique_ptr<MemoryArchive> BuildArchive(const archive::ArchiveDescription& description);

// A release as small as it gets: a nested directory, a readme per language, a few
// files, the main program and the three start-menu links of the shipped product.
archive::ArchiveDescription SmallRelease(archive::SetupKind kind = archive::SetupKind::Full);
archive::WriterFile TextFile(const std::string& name, const std::string& contents,
                             std::uint64_t fileTime = kFileTime);
// The contents TextFile stores for `contents` (the writer borrows, so they live here).
const std::string& Keep(const std::string& contents);

// The wizard with a given archive in place of its resources: FormCreate does only what
// the copy needs (the archive state and the texts, which set directoryTableOffset) and
// leaves the form on the copy page with step 3, as the forward button does.
class EngineSetup : public TFSetup {
 public:
  explicit EngineSetup(const MemoryArchive& archive) : archive_(archive) {}
  void Open();
  // The settings page's choices.
  void Choose(const std::string& directory, const std::string& group, bool allUsers,
              bool desktopIcon);

 protected:
  void FormCreate() override;

 private:
  const MemoryArchive& archive_;
};

// What the status line and the bar showed, in order: texts set on the label and
// positions set on the bar.
struct ShownEvent {
  enum Kind { Status, Position } kind;
  std::string text;
  std::uint32_t position = 0;
};

class ShownRecorder {
 public:
  ShownRecorder(HWND status, HWND bar);
  ~ShownRecorder();
  ShownRecorder(const ShownRecorder&) = delete;
  ShownRecorder& operator=(const ShownRecorder&) = delete;
  const std::vector<ShownEvent>& events() const { return events_; }
  std::vector<std::string> StatusTexts() const;

 private:
  static LRESULT CALLBACK Hook(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  HWND status_, bar_;
  std::vector<ShownEvent> events_;
};

// Files.
bool IsDirectory(const std::string& path);
bool FileExists(const std::string& path);
std::optional<std::string> ReadBytes(const std::string& path);
struct FileTimes {
  std::uint64_t creation = 0, lastAccess = 0, lastWrite = 0;
};
std::optional<FileTimes> ReadTimes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
void RemoveTree(const std::string& path);

// Registry, straight through the API.
struct RegValue {
  LSTATUS status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::string bytes;  // as stored, a string's terminator included
};
RegValue ReadValue(HKEY root, const char* key, const char* name);
bool KeyExists(HKEY root, const char* key);
void SetString(HKEY root, const char* key, const char* name, const std::string& value);
void DeleteValue(HKEY root, const char* key, const char* name);
void DeleteTree(HKEY root, const char* key);
// A REG_SZ as stored: the text and its terminator.
std::string Sz(const std::string& text);
std::string Dword(std::uint32_t value);
// The uninstall command as stored for an installation directory.
std::string UninstallCommandSz(const std::string& directory);

// A link file read back through the shell's link object.
struct LinkInfo {
  std::string target;
  std::string workingDirectory;
  int showCommand = 0;
  std::string arguments;
};
std::optional<LinkInfo> ReadLink(const std::string& path);

// "/unix/path" as Wine shows it: "Z:\unix\path".
std::string WinePathOf(const std::string& unixPath);

// Every file directly in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder);

// The base of the engine tests: a clean registry for the product, shell folders of
// its own under a scratch root, no recorded boxes, English texts.
class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the archive and opens the wizard on it.
  EngineSetup& Open(const archive::ArchiveDescription& description);
  // Sets the choices and runs the copy.
  bool Install(const std::string& directory, const std::string& group = "Tidemoor",
               bool allUsers = false, bool desktopIcon = true);
  // Catalogue text in the current language.
  static std::string Text(std::uint32_t id);
  // The one recorded box's text, failing the test when there is not exactly one.
  std::string OnlyBoxText() const;
  // The state both end pages share, and the page and step of each.
  void ExpectSuccessPage() const;
  void ExpectFailurePage() const;

  std::string root_;
  std::string InstallDir() const { return root_ + "\\Games\\Tidemoor"; }
  std::string Desktop() const { return root_ + "\\desktop"; }
  std::string Programs() const { return root_ + "\\programs"; }
  std::string CommonDesktop() const { return root_ + "\\common-desktop"; }
  std::string CommonPrograms() const { return root_ + "\\common-programs"; }

  std::unique_ptr<MemoryArchive> archive_;
  std::unique_ptr<EngineSetup> setup_;
};

inline constexpr char kProductKey[] = "Software\\Tidemoor";
inline constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
inline constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kProbeKey[] = "Software\\Test";

}  // namespace setup_test
