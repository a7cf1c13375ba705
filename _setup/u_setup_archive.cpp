// Loading and proving the archive the program carries in its own resources.
#include <windows.h>

#include <cstring>
#include <optional>
#include <string>

#include "application.h"
#include "archive_check.h"
#include "archive_checksum.h"
#include "catalogue_text.h"
#include "corrupted_text.h"
#include "paint_pace.h"
#include "s_lang.h"
#include "s_logging.h"
#include "setup_report.h"
#include "u_setup.h"
#include "u_splash.h"

using setup::Msg;

namespace {

constexpr char kUnit[] = "_setup/u_setup";
constexpr char kResourceType[] = "BIN";

std::uint32_t ReadU32At(const std::uint8_t* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
         std::uint32_t{at[3]} << 24;
}

std::uint64_t ReadU64At(const std::uint8_t* at) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | at[i];
  return value;
}

// Stored checksums of the segments, kept until the sum is compared.
std::uint64_t storedChecksum[archive::kMaxSegments] = {};

// The box for a resource that cannot be had: the text says the file is corrupted,
// the caption carries Windows' error code.
void ReportResourceFailure() {
  const DWORD error = GetLastError();
  setup::Report(nullptr, kMsgSetupFileCorrupted,
                setup::CorruptedText(Msg(kMsgSetupFileCorrupted)).c_str(),
                std::to_string(error).c_str());
  gui::Application::Instance().Terminate();
}

void ReportCorrupted(const std::string& text) {
  setup::Report(nullptr, kMsgSetupFileCorrupted, text.c_str(), Msg(kMsgError));
  gui::Application::Instance().Terminate();
}

}  // namespace

bool TFSetup::LoadSegment(int number, bool required) {
  static const char* const kNames[] = {"ID_SETUPFILE1", "ID_SETUPFILE2", "ID_SETUPFILE3"};
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, kNames[number - 1], kResourceType);
  if (found == nullptr) {
    if (!required) return true;  // an update may consist of segment 1 alone
    ReportResourceFailure();
    return false;
  }
  HGLOBAL loaded = LoadResource(self, found);
  if (loaded == nullptr) {
    ReportResourceFailure();
    return false;
  }
  const DWORD size = SizeofResource(self, found);
  if (size == 0) {
    ReportResourceFailure();
    return false;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (bytes == nullptr) {
    ReportResourceFailure();
    return false;
  }
  // A resource shorter than its own checksum cannot be a segment.
  if (size < archive::kSegmentChecksumSize) {
    ReportCorrupted(setup::CorruptedText(Msg(kMsgSetupFileCorrupted)));
    return false;
  }
  storedChecksum[number - 1] = ReadU64At(bytes);
  segments[number - 1] = {bytes + archive::kSegmentChecksumSize,
                          static_cast<std::uint32_t>(size - archive::kSegmentChecksumSize)};
  return true;
}

bool TFSetup::LoadSetupArchive() {
  CLog::Instance()->Log(1, kUnit, 58, "loading resource 1");
  ArchiveCursor.Seek(1, 0);
  for (auto& stored : storedChecksum) stored = 0;
  if (!LoadSegment(1, true)) return false;
  const archive::SegmentView& first = segments[0];
  if (first.length < archive::SetupHeader::kSize) {
    ReportCorrupted(setup::CorruptedText(Msg(kMsgSetupFileCorrupted)));
    return false;
  }
  using H = archive::SetupHeader;
  kind = ReadU32At(first.body + H::kKindOffset);
  packageVersionMS = ReadU32At(first.body + H::kPackageVersionMSOffset);
  packageVersionLS = ReadU32At(first.body + H::kPackageVersionLSOffset);
  requiredVersionMS = ReadU32At(first.body + H::kRequiredVersionMSOffset);
  requiredVersionLS = ReadU32At(first.body + H::kRequiredVersionLSOffset);

  const bool update = kind == static_cast<std::uint32_t>(archive::SetupKind::Update);
  CLog::Instance()->Log(1, kUnit, 87, "loading resource 2");
  if (!LoadSegment(2, !update)) return false;
  CLog::Instance()->Log(1, kUnit, 111, "loading resource 3");
  if (!LoadSegment(3, !update)) return false;
  return true;
}

// Beside the archive and outside its checksum; a resource that does not read as one
// was damaged all the same.
bool TFSetup::LoadProductIdentity() {
  identity = {};
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, archive::kIdentityResourceName, kResourceType);
  if (found == nullptr) return true;  // the manifest named no publisher and no address
  HGLOBAL loaded = LoadResource(self, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  const std::optional<archive::ProductIdentity> read =
      bytes != nullptr ? archive::ParseProductIdentity(static_cast<const std::uint8_t*>(bytes),
                                                       SizeofResource(self, found))
                       : std::nullopt;
  if (!read) {
    ReportCorrupted(setup::CorruptedText(Msg(kMsgSetupFileCorrupted)));
    return false;
  }
  identity = *read;
  return true;
}

bool TFSetup::VerifyArchiveChecksum() {
  CLog::Instance()->Log(1, kUnit, 135, "calculating data checksum");
  gui::ProgressBar& bar = FSplash->bar_progress;
  // Wine's progress bar paints itself as soon as its position changes, at half a
  // millisecond a time: the bar follows at most once a frame, and a small archive
  // passes all ten points within its first, the zero set here.
  setup::PaintPace pace;
  pace.Due(GetTickCount());
  bar.SetMax(segments[0].length + segments[1].length + segments[2].length);
  bar.SetPosition(0);
  std::uint64_t computed = 0;
  std::uint32_t base = 0;
  for (const archive::SegmentView& segment : segments) {
    computed += archive::ByteSumWithProgress(segment.body, segment.length, [&](std::uint32_t at) {
      if (pace.Due(GetTickCount())) {
        bar.SetPosition(base + at);
        FSplash->Repaint();
      }
      gui::Application::Instance().ProcessMessages();
    });
    base += segment.length;
  }
  const std::uint64_t stored = storedChecksum[0] + storedChecksum[1] + storedChecksum[2];
  if (stored == computed) return true;
  ReportCorrupted(setup::ChecksumMismatchText(Msg(kMsgSetupFileCorrupted), computed, stored));
  return false;
}

// The checksum proves the bytes are those the builder wrote; this proves they hold
// together, so an archive that would fail half-way through copying, or name a file
// outside the installation directory, is refused before anything is written.
bool TFSetup::CheckArchiveStructure() {
  if (archive::CheckArchive(segments).ok) return true;
  ReportCorrupted(setup::CorruptedText(Msg(kMsgSetupFileCorrupted)));
  return false;
}

void TFSetup::HandOverHeader() {
  archive::SetupHeader header;
  archive::ReadHeader(segments[0], header);  // proven readable by the structural check
  if (kind != static_cast<std::uint32_t>(archive::SetupKind::Update)) {
    // The default directory is Program Files and the suffix joined in one 256-byte
    // buffer; a pair that does not fit is cut at the buffer, never written past it.
    char directory[256];
    FormatText(directory, sizeof directory, "%s%s", programFilesDir, header.installDirSuffix);
    Edit1.SetText(directory);
    Edit2.SetText(header.startMenuGroup);
  }
  Label1.SetText(header.title);
}
