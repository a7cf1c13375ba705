#include "decode_file_win.h"

#include <windows.h>

#include "s_handle_win.h"
#include "update_files_win.h"
#include "zstd_frame.h"

namespace updater {
namespace {

// A view of a whole file; a file of no bytes has none and reads as empty.
class View {
 public:
  View() = default;
  View(const View&) = delete;
  View& operator=(const View&) = delete;
  ~View() {
    if (at_ != nullptr) UnmapViewOfFile(at_);
  }
  bool Map(HANDLE file, std::uint64_t size, bool writable) {
    size_ = size;
    if (size == 0) return true;
    if (size > SIZE_MAX) return false;
    const handles::Handle mapping(
        CreateFileMappingA(file, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY,
                           static_cast<DWORD>(size >> 32), static_cast<DWORD>(size), nullptr));
    if (!mapping) return false;
    at_ = static_cast<std::uint8_t*>(
        MapViewOfFile(mapping.get(), writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, 0));
    return at_ != nullptr;
  }
  std::uint8_t* data() const { return at_; }
  std::size_t size() const { return static_cast<std::size_t>(size_); }

 private:
  std::uint8_t* at_ = nullptr;
  std::uint64_t size_ = 0;
};

handles::Handle OpenToRead(const std::string& path) {
  // The game may hold its own files open for reading; that does not stop a read here.
  return handles::Handle(CreateFileA(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
}

bool MapToRead(const std::string& path, handles::Handle& file, View& view) {
  file = OpenToRead(path);
  LARGE_INTEGER size{};
  return file && GetFileSizeEx(file.get(), &size) &&
         view.Map(file.get(), static_cast<std::uint64_t>(size.QuadPart), false);
}

WayResult Decode(const std::string& framePath, const std::string& referencePath,
                 const feed::ContentRef& content, const std::string& temporary,
                 std::string& detail) {
  handles::Handle frameFile, referenceFile;
  View frame, reference;
  if (!MapToRead(framePath, frameFile, frame) ||
      (!referencePath.empty() && !MapToRead(referencePath, referenceFile, reference))) {
    detail = "cannot map its input, error " + std::to_string(GetLastError());
    return WayResult::kDecodeFailed;
  }
  const handles::Handle out(CreateFileA(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(content.size);
  View output;
  if (!out || !SetFilePointerEx(out.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(out.get()) ||
      !output.Map(out.get(), content.size, true)) {
    detail = "cannot make its output, error " + std::to_string(GetLastError());
    return WayResult::kDecodeFailed;
  }
  const feed::FrameProblem problem = feed::DecodeFrame(
      frame.data(), frame.size(), reference.data(), reference.size(), output.data(), output.size());
  detail = feed::FrameProblemText(problem);
  if (problem == feed::FrameProblem::kNone) return WayResult::kReady;
  const bool header = problem == feed::FrameProblem::kNotOneFrame ||
                      problem == feed::FrameProblem::kWrongSize ||
                      problem == feed::FrameProblem::kWindowTooLarge;
  return header ? WayResult::kBadHeader : WayResult::kDecodeFailed;
}

}  // namespace

WayResult DecodeToFile(const std::string& framePath, const std::string& referencePath,
                       const feed::ContentRef& content, const std::string& outPath,
                       std::string& detail) {
  const std::string temporary = outPath + ".decoding";
  WayResult result = Decode(framePath, referencePath, content, temporary, detail);
  feed::Hash hash{};
  if (result == WayResult::kReady && (!FileSha256(temporary, hash) || hash != content.hash)) {
    detail = "decoded to other bytes than the index names";
    result = WayResult::kWrongResult;
  }
  if (result == WayResult::kReady &&
      !MoveFileExA(temporary.c_str(), outPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    detail = "cannot take its name, error " + std::to_string(GetLastError());
    result = WayResult::kDecodeFailed;
  }
  if (result != WayResult::kReady) DeleteFileA(temporary.c_str());
  return result;
}

}  // namespace updater
