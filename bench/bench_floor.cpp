// bench_floor: the least a program can do to show what Setup.exe shows before its
// wizard, as the floor of figure 2. It loads the system libraries Setup.exe imports
// (and its manifest: common controls 6, DPI awareness), shows a small window as the
// preparation window, then a 363 x 403 window captioned as the wizard, and waits.
// The window carries the name the forms give the wizard, so the benchmark's wait for
// the wizard sees it the same way.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

namespace {

constexpr char kNameProperty[] = "TdmName";

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY && GetPropA(window, kNameProperty) != nullptr) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND ShowWindowOf(int width, int height, const char* name) {
  HWND window = CreateWindowExA(
      0, "BenchFloor", "Installation:", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 100,
      100, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (name != nullptr)
    SetPropA(window, kNameProperty,
             reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GlobalAddAtomA(name))));
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  return window;
}

// One function of every DLL Setup.exe imports, so the loader maps the same set; the
// volatile keeps the references, and with them the imports, in the program.
void* const volatile kImports[] = {reinterpret_cast<void*>(&InitCommonControlsEx),
                                   reinterpret_cast<void*>(&SHGetFolderPathA),
                                   reinterpret_cast<void*>(&CoCreateInstance),
                                   reinterpret_cast<void*>(&RegOpenKeyExA),
                                   reinterpret_cast<void*>(&GetFileVersionInfoSizeA),
                                   reinterpret_cast<void*>(&CreateFontIndirectA)};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = FloorProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "BenchFloor";
  if (RegisterClassA(&windowClass) == 0 || kImports[0] == nullptr) return 1;

  HWND preparation = ShowWindowOf(335, 99, nullptr);
  ShowWindowOf(363, 403, "FSetup");
  DestroyWindow(preparation);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
