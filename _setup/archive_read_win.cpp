#include "archive_read.h"

#include "gui_exception.h"
#include "s_lang.h"

namespace setup {
namespace {

[[noreturn]] void Corrupted() {
  const char* text = CLang::GetText(kMsgSetupFileCorrupted);
  throw gui::Exception(text != nullptr ? text : "");
}

}  // namespace

std::uint32_t ReadU32(archive::ArchiveCursor& cursor) {
  std::uint32_t value = 0;
  if (!cursor.ReadU32(value)) Corrupted();
  return value;
}

std::uint64_t ReadU64(archive::ArchiveCursor& cursor) {
  std::uint64_t value = 0;
  if (!cursor.ReadU64(value)) Corrupted();
  return value;
}

const char* ReadText(archive::ArchiveCursor& cursor) {
  const char* text = nullptr;
  if (!cursor.ReadText(text)) Corrupted();
  return text;
}

const std::uint8_t* ReadData(archive::ArchiveCursor& cursor, std::uint32_t size) {
  const std::uint8_t* data = nullptr;
  if (!cursor.ReadData(size, data)) Corrupted();
  return data;
}

}  // namespace setup
