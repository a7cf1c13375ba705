// The plain writer of tools/bench: the installer's file loop without the installer,
// alone or with one of its per-file costs added, so each cost is priced on its own.
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "bench_setup_runs.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// A window with the wizard's copy page in small: a status line and a bar.
class StatusWindow {
 public:
  StatusWindow() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    frame_ = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 0, 0,
                             480, 360, nullptr, nullptr, nullptr, nullptr);
    label_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 8, 200,
                             440, 16, frame_, nullptr, nullptr, nullptr);
    bar_ = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 8, 230, 440,
                           17, frame_, nullptr, nullptr, nullptr);
    for (int i = 0; i < 12; ++i)  // the page's other controls, painted by a full repaint
      CreateWindowExA(0, "BUTTON", "Button", WS_CHILD | WS_VISIBLE, 8 + (i % 4) * 110,
                      8 + (i / 4) * 40, 100, 30, frame_, nullptr, nullptr, nullptr);
    RedrawWindow(frame_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  ~StatusWindow() { DestroyWindow(frame_); }
  StatusWindow(const StatusWindow&) = delete;
  StatusWindow& operator=(const StatusWindow&) = delete;

  void Show(const std::string& name, int percent, bool everything) {
    SetWindowTextA(label_, ("Copy file: " + name).c_str());
    SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    RedrawWindow(frame_, nullptr, nullptr,
                 everything ? RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW
                            : RDW_UPDATENOW | RDW_ALLCHILDREN);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }

 private:
  HWND frame_ = nullptr;
  HWND label_ = nullptr;
  HWND bar_ = nullptr;
};

// One line appended as the installer's log appends it: opened, written, closed.
void AppendLogLine(const std::string& log, const std::string& path) {
  HANDLE file = CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  char line[300];
  const int length =
      wsprintfA(line, "%lu : 12:00:00 : 1 : create file: %.250s\r\n", GetTickCount(), path.c_str());
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

bool WriteFilesLikeTheInstaller(const std::string& directory, int count, std::uint32_t size,
                                int directories, WriterExtra extra) {
  auto* data = static_cast<std::uint8_t*>(
      VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (data == nullptr) return false;
  for (std::uint32_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 31);
  CreateDirectoryA(directory.c_str(), nullptr);
  for (int d = 0; d < directories; ++d)
    CreateDirectoryA((directory + "\\d" + std::to_string(d)).c_str(), nullptr);
  const bool withWindow = extra == WriterExtra::Refresh || extra == WriterExtra::FullRepaint;
  std::optional<StatusWindow> window;
  if (withWindow) window.emplace();
  FILETIME time{};
  GetSystemTimeAsFileTime(&time);
  bool ok = true;
  const auto start = Clock::now();
  for (int i = 0; i < count && ok; ++i) {
    const std::string name = "d" + std::to_string(i % directories) + "\\f" + std::to_string(i);
    const std::string path = directory + "\\" + name;
    if (extra == WriterExtra::LogLine) AppendLogLine(directory + "\\bench.log", path);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      ok = false;
      break;
    }
    DWORD written = 0;
    ok = WriteFile(file, data, size, &written, nullptr) && written == size;
    SetFileTime(file, &time, &time, &time);
    CloseHandle(file);
    if (window) window->Show(name, i * 100 / count, extra == WriterExtra::FullRepaint);
  }
  const std::chrono::duration<double> elapsed = Clock::now() - start;
  window.reset();
  VirtualFree(data, 0, MEM_RELEASE);
  if (ok) std::printf("write_seconds %.3f\n", elapsed.count());
  return ok;
}

}  // namespace bench
