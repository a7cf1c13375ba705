#include "form.h"

#include "application.h"

namespace gui {
namespace {
constexpr char kFormClass[] = "TdmForm";
// The program's icon group (Setup.exe's own, or the publisher's that mksetup put in).
constexpr WORD kProgramIconId = 1;

HICON ProgramIcon(int size) {
  const HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kProgramIconId),
                                 IMAGE_ICON, size, size, LR_SHARED);
  return icon != nullptr ? static_cast<HICON>(icon) : LoadIcon(nullptr, IDI_APPLICATION);
}
}  // namespace

const char* Form::WindowClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = ProgramIcon(GetSystemMetrics(SM_CXICON));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  return kFormClass;
}

void Form::CreateForm(const FormDesign& design, HWND owner) {
  design_ = design;
  font_ = Font(design.font);
  const DWORD exStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
  RECT frame{0, 0, design.clientWidth, design.clientHeight};
  AdjustWindowRectEx(&frame, design.style, FALSE, exStyle);
  CreateWindowExA(exStyle, WindowClass(), design.caption, design.style | WS_CLIPCHILDREN,
                  CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                  owner, nullptr, GetModuleHandleA(nullptr), this);
  if (hwnd_ == nullptr) return;
  // A modal frame draws no class icon in the title bar, only one set on the window.
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(ProgramIcon(GetSystemMetrics(SM_CXSMICON))));
  CreateControls();
  FormCreate();
}

void Form::MoveTo(int left, int top) {
  if (hwnd_ != nullptr)
    SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::ShowForm() {
  if (hwnd_ == nullptr) return;
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
}

void Form::Close() {
  if (!CanClose()) return;
  if (modal_) {
    closeRequested_ = true;
    // Wakes the modal loop: a close that came as a sent message (the close box) is
    // handled inside GetMessage, which would otherwise wait for the next input.
    PostMessageA(hwnd_, WM_NULL, 0, 0);
  } else if (Application::Instance().MainForm() == this) {
    Hide();
    Application::Instance().Terminate();
  } else {
    Hide();
  }
}

int Form::ShowModal() {
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  modal_ = true;
  closeRequested_ = false;
  if (owner != nullptr) EnableWindow(owner, FALSE);
  ShowForm();
  Application& application = Application::Instance();
  MSG msg;
  while (!closeRequested_ && !application.Terminated()) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The quit request belongs to the main loop; hand it back.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!IsDialogMessageA(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  // Re-enable the owner before hiding, so Windows activates it and not another program.
  if (owner != nullptr) EnableWindow(owner, TRUE);
  Hide();
  if (owner != nullptr) SetActiveWindow(owner);
  modal_ = false;
  closeRequested_ = false;
  return 0;
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (LRESULT result = 0; ReflectToChild(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_CLOSE:
      Guarded([&] { Close(); });
      return 0;
    case WM_DESTROY:
      if (!destroyed_) {
        destroyed_ = true;
        Guarded([&] { FormDestroy(); });
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* form = static_cast<Form*>(create->lpCreateParams);
    form->Attach(hwnd, form->design_.name);
  }
  auto* form = static_cast<Form*>(FromHandle(hwnd));
  if (form == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    form->Detach();
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  return form->HandleMessage(message, wParam, lParam);
}

}  // namespace gui
