// CopyFiles: the installation, from the rights probe through the directories and
// files to an update's obsolete files; registration follows in its own unit.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>

#include "application.h"
#include "archive_read.h"
#include "catalogue_text.h"
#include "corrupted_text.h"
#include "gui_exception.h"
#include "paint_pace.h"
#include "path_buffer.h"
#include "s_folder_rights_win.h"
#include "s_handle_win.h"
#include "s_logging.h"
#include "s_registry_win.h"
#include "settings_trim.h"
#include "setup_report.h"
#include "u_setup.h"

using setup::Msg;

namespace {

constexpr char kUnit[] = "_setup/u_setup";
constexpr char kProbeKey[] = "Software\\Test";
constexpr std::size_t kMaxComponents = 256;

std::string SystemMessage(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message =
      length != 0 && text != nullptr ? std::string(text, length) : "Error " + std::to_string(error);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return message;
}

// A file that cannot be written ends the installation through the exception path
// with Windows' own words and the file's name.
[[noreturn]] void FileFailed(DWORD error, const char* name) {
  throw gui::Exception(SystemMessage(error) + " (" + name + ")");
}

bool IsDirectory(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

void TFSetup::Refresh() {
  Repaint();
  gui::Application::Instance().ProcessMessages();
}

bool TFSetup::InstallFailed(std::uint32_t textId) {
  return InstallFailed(textId, Msg(textId));
}

bool TFSetup::InstallFailed(std::uint32_t textId, const std::string& message) {
  setup::Report(nullptr, textId, message.c_str(), Msg(kMsgError));
  ShowPage(TabSheet5);
  Button1.SetText(Msg(kMsgFinished));
  Button1.SetEnabled(true);
  Button2.Hide();
  wizardStep = 4;
  return false;
}

bool TFSetup::ProbeAllUsersRights() {
  if (!radio_all_users.Checked()) return true;
  // Only a key this probe made is deleted again: an existing key of that name is
  // somebody's data.
  CReg& reg = *CReg::Instance();
  const bool existed = reg.KeyExists(HKEY_LOCAL_MACHINE, kProbeKey);
  if (!reg.CreateKey(HKEY_LOCAL_MACHINE, kProbeKey)) return InstallFailed(kMsgNeedAllUsersRights);
  if (!existed) reg.DeleteKey(HKEY_LOCAL_MACHINE, kProbeKey);
  return true;
}

void TFSetup::TrimSettings() {
  const setup::TrimmedSettings trimmed = setup::TrimSettingsFields(Edit1.Text(), Edit2.Text());
  Edit1.SetText(trimmed.directory);
  Edit2.SetText(trimmed.group);
  if (trimmed.rangeError) throw gui::ERangeError();
}

bool TFSetup::EnsureDirectory(const char* path, unsigned* made, bool protect) {
  if (IsDirectory(path)) return true;
  if (!(protect ? folder_rights::MakeProtectedFolder(path) : CreateDirectoryA(path, nullptr)))
    return InstallFailed(kMsgCreateDirectoryFailed);
  if (made != nullptr) ++*made;
  return true;
}

bool TFSetup::CreateInstallDirectory() {
  const std::string directory = Edit1.Text();
  if (IsDirectory(directory.c_str())) return true;
  std::string components[kMaxComponents];
  std::size_t count = 0;
  if (!setup::SplitComponents(directory, kMaxComponents,
                              [&](std::string_view part) { components[count++] = part; }))
    return InstallFailed(kMsgCreateDirectoryFailed);
  setup::PathBuffer path;
  // The first level joins the first two components, so "C:" is never created alone.
  if (!setup::Compose(path, {components[0], "\\", count > 1 ? components[1] : ""}))
    return InstallFailed(kMsgCreateDirectoryFailed);
  // Levels are made top down, so those made are the installation folder and the ones
  // right above it.
  unsigned& made = createdFolders.installLevels;
  // For all users, what Setup makes carries the list Program Files would give, not what
  // the level above passes on (under C:\ every user could change it): no other account
  // can then swap the programs the elevated steps start.
  const bool protect = radio_all_users.Checked();
  if (!EnsureDirectory(path, &made, protect)) return false;
  for (std::size_t i = 2; i < count; ++i) {
    const std::string sofar = path;
    if (!setup::Compose(path, {sofar, "\\", components[i]}))
      return InstallFailed(kMsgCreateDirectoryFailed);
    if (!EnsureDirectory(path, &made, protect)) return false;
  }
  if (directory.size() >= setup::kPathBufferSize) return InstallFailed(kMsgCreateDirectoryFailed);
  return EnsureDirectory(directory.c_str(), &made, protect);
}

bool TFSetup::CreateArchiveDirectories() {
  ArchiveCursor.Seek(1, directoryTableOffset);
  const std::string directory = Edit1.Text();
  const std::uint32_t count = setup::ReadU32(ArchiveCursor);
  for (std::uint32_t i = 0; i < count; ++i) {
    const char* name = setup::ReadText(ArchiveCursor);
    setup::PathBuffer path;
    if (!setup::Compose(path, {directory, "\\", name}))
      return InstallFailed(kMsgCreateDirectoryFailed);
    unsigned made = 0;
    if (!EnsureDirectory(path, &made)) return false;
    if (made != 0) {
      std::string folder = name;
      std::replace(folder.begin(), folder.end(), '/', '\\');
      createdFolders.folders.push_back(folder);
    }
  }
  return true;
}

// Once, by a full installation, into the uninstaller's folder when the release has one.
void TFSetup::WriteCreatedRecord() {
  const std::string folder = Edit1.Text() + "\\uninstall";
  if (!IsDirectory(folder.c_str())) return;
  const std::string path = Edit1.Text() + "\\" + created::kRecordName;
  const std::string text = created::WriteCreatedRecord(createdFolders);
  handles::Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) FileFailed(GetLastError(), created::kRecordName);
  DWORD written = 0;
  const BOOL wrote =
      WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  const DWORD error = wrote ? ERROR_SUCCESS : GetLastError();
  file.reset();
  if (!wrote) FileFailed(error, created::kRecordName);
  if (written != text.size()) FileFailed(ERROR_HANDLE_DISK_FULL, created::kRecordName);
}

void TFSetup::SelectReadme() {
  const std::uint32_t language = CLang::GetLanguage();
  const std::uint32_t pairs = static_cast<std::uint32_t>(box_language.ItemCount());
  for (std::uint32_t pair = 0; pair < pairs; ++pair) {
    const char* file = setup::ReadText(ArchiveCursor);
    const char* link = setup::ReadText(ArchiveCursor);
    if (pair == language) {
      selectedReadme = file;
      selectedReadmeLink = link;
    }
  }
  // A language without a pair of its own (only a foreign registry value gives one)
  // falls back to the last pair, so the readme link always has a name.
  if (selectedReadme == nullptr) {
    ArchiveCursor.Seek(ArchiveCursor.segment(),
                       ArchiveCursor.offset() - archive::ReadmeEntry::kSize);
    selectedReadme = setup::ReadText(ArchiveCursor);
    selectedReadmeLink = setup::ReadText(ArchiveCursor);
  }
}

bool TFSetup::WriteFiles() {
  CLog::Instance()->Log(1, kUnit, 581, "create data files");
  const std::string directory = Edit1.Text();
  const std::uint32_t count = setup::ReadU32(ArchiveCursor);
  std::uint64_t segmentTotal = 0;
  // The bar moves in whole percents, many files apart when there are thousands; under
  // Wine a position sent again costs as much as a new one (a quarter millisecond).
  std::uint32_t shownPercent = UINT32_MAX;
  // The status line names every file; its painting follows at the display's pace, and
  // whatever way the loop ends, the last name set is the one painted.
  setup::PaintPace pace;
  struct PaintedAtLast {
    gui::Window& line;
    ~PaintedAtLast() { line.Invalidate(); }
  } paintedAtLast{lbl_progress};
  for (std::uint32_t i = 0; i < count; ++i) {
    const char* name = setup::ReadText(ArchiveCursor);
    FILETIME time;
    const std::uint64_t fileTime = setup::ReadU64(ArchiveCursor);
    time.dwLowDateTime = static_cast<DWORD>(fileTime);
    time.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    const std::uint32_t size = setup::ReadU32(ArchiveCursor);
    installedBytes += size;
    setup::PathBuffer path;
    if (!setup::Compose(path, {directory, "\\", name}))
      FileFailed(ERROR_FILENAME_EXCED_RANGE, name);
    CLog::Instance()->Log(1, kUnit, 603, "create file: %s", path);
    const std::uint8_t* data = setup::ReadData(ArchiveCursor, size);

    handles::Handle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) FileFailed(GetLastError(), name);
    // One write straight from the mapped archive; a short count is a failure too.
    DWORD written = 0;
    const BOOL wrote = WriteFile(file.get(), data, size, &written, nullptr);
    const DWORD error = wrote ? ERROR_SUCCESS : GetLastError();
    // A half-written file keeps the time of its writing: the archive's time would
    // make it look like the finished file.
    if (wrote && written == size) SetFileTime(file.get(), &time, &time, &time);
    file.reset();
    if (!wrote) FileFailed(error, name);
    if (written != size) FileFailed(ERROR_HANDLE_DISK_FULL, name);

    lbl_progress.SetTextUnpainted(std::string(Msg(kMsgCopyFile)) + " " + name);
    if (pace.Due(GetTickCount())) lbl_progress.Invalidate();
    const auto percent = static_cast<std::uint32_t>(std::uint64_t{i} * 100u / count);
    if (percent != shownPercent) ProgressBar1.SetPosition(shownPercent = percent);
    Refresh();

    const int segment = ArchiveCursor.segment();
    switch (archive::AfterFileRecord(ArchiveCursor, segmentTotal, size)) {
      case archive::SegmentStep::Stayed:
        break;
      case archive::SegmentStep::Switched:
        CLog::Instance()->Log(1, kUnit, 623, "end of resource");
        CLog::Instance()->Log(1, kUnit, segment + 1 == 2 ? 631 : 637, "changing to resource %i",
                              segment + 1);
        break;
      case archive::SegmentStep::Corrupt:
        throw gui::Exception(setup::CorruptedText(Msg(kMsgSetupFileCorrupted)));
    }
  }
  return true;
}

void TFSetup::DeleteObsoleteFiles() {
  if (kind != static_cast<std::uint32_t>(archive::SetupKind::Update)) return;
  const std::string directory = Edit1.Text();
  const std::uint32_t count = setup::ReadU32(ArchiveCursor);
  for (std::uint32_t i = 0; i < count; ++i) {
    const char* name = setup::ReadText(ArchiveCursor);
    setup::PathBuffer path;
    // A name that does not fit names no installed file; like a missing one, skip it.
    if (setup::Compose(path, {directory, "\\", name})) DeleteFileA(path);
    lbl_progress.SetText(std::string(Msg(kMsgRemoveOutdatedFile)) + " " + name);
    Refresh();
  }
}

bool TFSetup::CopyFiles() {
  // Released on every way out, or the wizard could never be closed again.
  struct Installing {
    bool& flag;
    explicit Installing(bool& installing) : flag(installing) { flag = true; }
    ~Installing() { flag = false; }
  } installing{installing_};
  CLog::Instance()->Log(1, kUnit, 494, "entering CopyFiles");
  ProgressBar1.SetMax(100);
  ProgressBar1.SetPosition(0);
  try {
    if (!ProbeAllUsersRights()) return false;
    CLog::Instance()->Log(1, kUnit, 508, "create required directories");
    lbl_progress.SetText(Msg(kMsgCreatingDirectories));
    Refresh();
    TrimSettings();
    // An update for all users protects the folders an earlier Setup made before folders
    // were protected, and goes no further over any other a second account may change.
    if (radio_all_users.Checked() && kind != static_cast<std::uint32_t>(archive::SetupKind::Full) &&
        !folder_rights::SecureInstallationFolders(Edit1.Text()).safe)
      return InstallFailed(kMsgFolderReinstall);
    if (!CreateInstallDirectory()) return false;
    // A folder made just now is locked now; another Setup that made it too gives way.
    if (!productLock_.TryAcquire(Edit1.Text())) {
      CLog::Instance()->Log(1, kUnit, __LINE__, "another program holds the lock of %s",
                            Edit1.Text().c_str());
      return InstallFailed(kMsgCreateDirectoryFailed);
    }
    if (!CreateArchiveDirectories()) return false;
    lbl_progress.SetText(Msg(kMsgCopyFile));
    Refresh();
    SelectReadme();
    if (!WriteFiles()) return false;
    DeleteObsoleteFiles();
    return RegisterInstallation();
  } catch (const std::exception& error) {
    // The class library's exceptions and any other, std::bad_alloc included, end on
    // the failure page, never in a wizard that is stuck.
    return InstallFailed(kMsgCopyException, std::string(Msg(kMsgCopyException)) + error.what());
  }
}
