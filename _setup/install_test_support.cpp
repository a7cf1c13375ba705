#include "install_test_support.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "message_box_recorder.h"
#include "s_lang.h"
#include "s_registry_win.h"

namespace setup_test {

std::unique_ptr<MemoryArchive> BuildArchive(const archive::ArchiveDescription& description) {
  auto built = std::make_unique<MemoryArchive>();
  built->kind = description.kind;
  std::string error;
  if (!archive::PlanArchive(description, built->plan, error)) {
    ADD_FAILURE() << "archive refused: " << error;
    return nullptr;
  }
  std::array<archive::SegmentSink*, archive::kMaxSegments> sinks{};
  for (int n = 0; n < built->plan.segmentCount; ++n) {
    built->sinks[n] = std::make_unique<archive::MemorySink>(
        static_cast<std::size_t>(built->plan.bodyLength[n]) + archive::kSegmentChecksumSize);
    sinks[n] = built->sinks[n].get();
  }
  const archive::WriteResult result = archive::WriteArchive(description, built->plan, sinks);
  if (!result.ok) {
    ADD_FAILURE() << "archive not written: " << result.error;
    return nullptr;
  }
  for (int n = 0; n < built->plan.segmentCount; ++n) {
    const std::vector<std::uint8_t>& bytes = built->sinks[n]->bytes();
    built->views[n] = {bytes.data() + archive::kSegmentChecksumSize,
                       static_cast<std::uint32_t>(bytes.size() - archive::kSegmentChecksumSize)};
  }
  return built;
}

const std::string& Keep(const std::string& contents) {
  static std::deque<std::string> kept;
  kept.push_back(contents);
  return kept.back();
}

archive::WriterFile TextFile(const std::string& name, const std::string& contents,
                             std::uint64_t fileTime) {
  const std::string& kept = Keep(contents);
  archive::WriterFile file;
  file.name = name;
  file.fileTime = fileTime;
  file.size = kept.size();
  file.bytes = {reinterpret_cast<const std::uint8_t*>(kept.data()), kept.size()};
  return file;
}

archive::ArchiveDescription SmallRelease(archive::SetupKind kind) {
  archive::ArchiveDescription d;
  d.kind = kind;
  d.title = "Tidemoor 0.807.3";
  d.installDirSuffix = "\\Tidemoor";
  d.startMenuGroup = "Tidemoor";
  d.packageVersionMS = 807;
  d.packageVersionLS = 3;
  d.termsLines = {std::vector<std::string>{"Nutzungsbedingungen"},
                  std::vector<std::string>{"Terms of use", "second line"}};
  d.directories = {"data", "data/maps"};
  d.readmes = {archive::WriterReadme{"liesmich.txt", "Wichtige Informationen.lnk"},
               archive::WriterReadme{"readme.txt", "Important information.lnk"}};
  d.files = {TextFile("TDMClient.exe", "client program"),
             TextFile("uninstall.exe", "uninstall program"),
             TextFile("TDMOptions.exe", "options program"),
             TextFile("liesmich.txt", "Lies mich"),
             TextFile("readme.txt", "Read me"),
             TextFile("data/maps/harbour.map", std::string("map\0with\0nuls", 13))};
  if (kind == archive::SetupKind::Update) d.obsoleteFiles = {"data/old_intro.dat"};
  d.programFile = "TDMClient.exe";
  d.desktopLinkName = "Tidemoor.lnk";
  d.shortcuts = {{"uninstall.exe", kMsgLinkUninstall},
                 {"TDMClient.exe", kMsgLinkGame},
                 {"TDMOptions.exe", kMsgLinkSetup}};
  return d;
}

// --- EngineSetup

void EngineSetup::Open() {
  static const gui::FormDesign kDesign{"FSetup",
                                       "Installation:",
                                       363,
                                       403,
                                       WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                       {"MS Sans Serif", -11, false}};
  CreateForm(kDesign, nullptr);
  ShowForm();  // so that "visible" means on screen, as for the user
}

void EngineSetup::FormCreate() {
  segments = archive_.views;
  kind = static_cast<std::uint32_t>(archive_.kind);
  box_language.SetItemIndex(static_cast<int>(CLang::GetLanguage()));
  UpdateWizardTexts();
  // As the forward button leaves it just before the copy.
  ShowPage(TabSheet3);
  Button1.SetEnabled(false);
  Button2.Hide();
  Button3.Hide();
  wizardStep = 3;
}

void EngineSetup::Choose(const std::string& directory, const std::string& group, bool allUsers,
                         bool desktopIcon) {
  Edit1.SetText(directory);
  Edit2.SetText(group);
  radio_current_user.SetChecked(!allUsers);
  radio_all_users.SetChecked(allUsers);
  CheckBox3.SetChecked(desktopIcon);
}

// --- ShownRecorder

ShownRecorder::ShownRecorder(HWND status, HWND bar) : status_(status), bar_(bar) {
  SetWindowSubclass(status_, Hook, 1, reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(bar_, Hook, 1, reinterpret_cast<DWORD_PTR>(this));
}

ShownRecorder::~ShownRecorder() {
  RemoveWindowSubclass(status_, Hook, 1);
  RemoveWindowSubclass(bar_, Hook, 1);
}

LRESULT CALLBACK ShownRecorder::Hook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<ShownRecorder*>(data);
  if (hwnd == self->status_ && message == WM_SETTEXT && lParam != 0)
    self->events_.push_back({ShownEvent::Status, reinterpret_cast<const char*>(lParam), 0});
  if (hwnd == self->bar_ && message == PBM_SETPOS)
    self->events_.push_back({ShownEvent::Position, {}, static_cast<std::uint32_t>(wParam)});
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

std::vector<std::string> ShownRecorder::StatusTexts() const {
  std::vector<std::string> texts;
  for (const ShownEvent& event : events_)
    if (event.kind == ShownEvent::Status) texts.push_back(event.text);
  return texts;
}

// --- Files

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<FileTimes> ReadTimes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  FILETIME created{}, accessed{}, written{};
  const BOOL ok = GetFileTime(file, &created, &accessed, &written);
  CloseHandle(file);
  if (!ok) return std::nullopt;
  auto value = [](const FILETIME& t) {
    return std::uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime;
  };
  return FileTimes{value(created), value(accessed), value(written)};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::string WinePathOf(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// --- Registry

RegValue ReadValue(HKEY root, const char* key, const char* name) {
  RegValue value;
  HKEY handle = nullptr;
  value.status = RegOpenKeyExA(root, key, 0, KEY_READ, &handle);
  if (value.status != ERROR_SUCCESS) return value;
  char data[1024];
  DWORD size = sizeof data;
  value.status =
      RegQueryValueExA(handle, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size);
  if (value.status == ERROR_SUCCESS) value.bytes.assign(data, size);
  RegCloseKey(handle);
  return value;
}

bool KeyExists(HKEY root, const char* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

void SetString(HKEY root, const char* key, const char* name, const std::string& value) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
}

void DeleteValue(HKEY root, const char* key, const char* name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS) return;
  RegDeleteValueA(handle, name);
  RegCloseKey(handle);
}

void DeleteTree(HKEY root, const char* key) {
  RegDeleteTreeA(root, key);
  RegDeleteKeyA(root, key);
}

std::string Sz(const std::string& text) {
  return text + std::string(1, '\0');
}

std::string Dword(std::uint32_t value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string UninstallCommandSz(const std::string& directory) {
  std::string command(1, '"');
  command += directory;
  command += "\\uninstall.exe\"";
  return Sz(command);
}

// --- Links

std::optional<LinkInfo> ReadLink(const std::string& path) {
  if (!FileExists(path)) return std::nullopt;
  std::optional<LinkInfo> info;
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[1024];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 1024);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      LinkInfo read;
      char text[1024] = {};
      if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) read.target = text;
      text[0] = '\0';
      if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof text))) read.workingDirectory = text;
      text[0] = '\0';
      if (SUCCEEDED(link->GetArguments(text, sizeof text))) read.arguments = text;
      link->GetShowCmd(&read.showCommand);
      info = read;
    }
  }
  if (file != nullptr) file->Release();
  if (link != nullptr) link->Release();
  if (SUCCEEDED(com)) CoUninitialize();
  return info;
}

// --- InstallTest

void InstallTest::SetUp() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  root_ = std::string("C:\\tdm-engine\\") + info->name();
  RemoveTree(root_);
  std::filesystem::create_directories(root_);
  for (const std::string& folder : {Desktop(), Programs(), CommonDesktop(), CommonPrograms()}) {
    std::filesystem::create_directories(folder);
  }
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    DeleteTree(root, kProductKey);
    DeleteTree(root, kUninstallKey);
  }
  SetString(HKEY_CURRENT_USER, kShellFolders, "Desktop", Desktop());
  SetString(HKEY_CURRENT_USER, kShellFolders, "Programs", Programs());
  SetString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop", CommonDesktop());
  SetString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs", CommonPrograms());
  gui::testing::ClearRecordedMessageBoxes();
  CLang::SetLanguage(kLanguageEnglish);
}

void InstallTest::TearDown() {
  if (setup_ != nullptr) setup_->Destroy();
  setup_.reset();
  archive_.reset();
  CReg::FreeInstance();
  if (!::testing::Test::HasFailure()) RemoveTree(root_);
}

EngineSetup& InstallTest::Open(const archive::ArchiveDescription& description) {
  archive_ = BuildArchive(description);
  if (archive_ == nullptr) throw std::runtime_error("no archive");
  setup_ = std::make_unique<EngineSetup>(*archive_);
  setup_->Open();
  return *setup_;
}

bool InstallTest::Install(const std::string& directory, const std::string& group, bool allUsers,
                          bool desktopIcon) {
  setup_->Choose(directory, group, allUsers, desktopIcon);
  return setup_->CopyFiles();
}

std::string InstallTest::Text(std::uint32_t id) {
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

std::string InstallTest::OnlyBoxText() const {
  const auto& boxes = gui::testing::RecordedMessageBoxes();
  EXPECT_EQ(boxes.size(), 1u);
  if (boxes.empty()) return {};
  EXPECT_EQ(boxes[0].caption, Text(kMsgError));
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
  return boxes[0].text;
}

void InstallTest::ExpectSuccessPage() const {
  EXPECT_TRUE(gui::testing::RecordedMessageBoxes().empty());
  EXPECT_TRUE(setup_->TabSheet4.Visible());
  EXPECT_FALSE(setup_->TabSheet5.Visible());
  EXPECT_FALSE(setup_->TabSheet3.Visible());
  EXPECT_EQ(setup_->wizardStep, 3);
  EXPECT_EQ(setup_->Button1.Text(), Text(kMsgFinished));
  EXPECT_TRUE(setup_->Button1.Enabled());
  EXPECT_FALSE(setup_->Button2.Visible());
}

void InstallTest::ExpectFailurePage() const {
  EXPECT_TRUE(setup_->TabSheet5.Visible());
  EXPECT_FALSE(setup_->TabSheet4.Visible());
  EXPECT_FALSE(setup_->TabSheet3.Visible());
  EXPECT_EQ(setup_->wizardStep, 4);
  EXPECT_EQ(setup_->Button1.Text(), Text(kMsgFinished));
  EXPECT_TRUE(setup_->Button1.Enabled());
  EXPECT_FALSE(setup_->Button2.Visible());
}

}  // namespace setup_test
