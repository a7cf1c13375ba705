#include "form.h"

#include <cstring>
#include <utility>

#include "application.h"
#include "control.h"
#include "gui_exception.h"

namespace gui {
namespace {
constexpr char kFormClass[] = "TdmForm";
// The program's icon group (Setup.exe's own, or the publisher's that mksetup put in).
constexpr WORD kProgramIconId = 1;
// IDI_APPLICATION, the system's icon of a program without one.
constexpr WORD kSystemProgramIconId = 32512;
}  // namespace

// Every form and class shows the same icons; loading one costs Wine a few server
// round trips, so each size is loaded once and kept for the program's life (windows
// keep no copy). Not shared through the system: a shared icon keeps the size it was
// first loaded at.
HICON ProgramIcon(int size) {
  static std::pair<int, HICON> loaded[8] = {};
  for (const auto& [loadedSize, icon] : loaded)
    if (icon != nullptr && loadedSize == size) return icon;
  const auto icon = static_cast<HICON>(LoadImageA(
      GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kProgramIconId), IMAGE_ICON, size, size, 0));
  if (icon != nullptr) {
    for (auto& slot : loaded)
      if (slot.second == nullptr) return (slot = {size, icon}).second;
    DestroyIcon(icon);  // more sizes than monitors of different scales ever ask for
  }
  return static_cast<HICON>(LoadImageA(nullptr, MAKEINTRESOURCEA(kSystemProgramIconId), IMAGE_ICON,
                                       size, size, LR_SHARED));
}

namespace {

struct WindowStyles {
  DWORD style;
  DWORD exStyle;
};

WindowStyles StylesOf(const FormDesign& design) {
  // DS_MODALFRAME means nothing to a window of this class; it asks for the dialog frame.
  const bool dialogFrame = (design.style & DS_MODALFRAME) != 0;
  return {(design.style & ~static_cast<DWORD>(DS_MODALFRAME)) | WS_CLIPCHILDREN,
          static_cast<DWORD>(WS_EX_CONTROLPARENT | (dialogFrame ? WS_EX_DLGMODALFRAME : 0))};
}

bool SameFont(const FontSpec& a, const FontSpec& b) {
  return a.height == b.height && a.bold == b.bold && std::strcmp(a.face, b.face) == 0;
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
  waiting_.clear();
  // The system's DPI until the window can tell its monitor's.
  dpi_ = WindowDpi(nullptr);
  const WindowStyles styles = StylesOf(design);
  const SIZE outer = OuterSizeAt(dpi_);
  CreateWindowExA(styles.exStyle, WindowClass(), design.caption, styles.style, CW_USEDEFAULT,
                  CW_USEDEFAULT, outer.cx, outer.cy, owner, nullptr, GetModuleHandleA(nullptr),
                  this);
  if (hwnd_ == nullptr) RaiseLastWindowError(design.name);
  if (const int monitorDpi = WindowDpi(hwnd_); monitorDpi != dpi_) {
    dpi_ = monitorDpi;
    const SIZE size = OuterSizeAt(dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  fonts_.clear();
  fonts_.push_back({design.font, Font(design.font, dpi_)});
  SetIcons();
  CreateControls();
  FormCreate();
}

HFONT Form::FormFont(const FontSpec& design) {
  for (const DesignFont& made : fonts_)
    if (SameFont(made.design, design)) return made.font.handle();
  fonts_.push_back({design, Font(design, dpi_)});
  return fonts_.back().font.handle();
}

SIZE Form::OuterSizeAt(int dpi) const {
  const WindowStyles styles = StylesOf(design_);
  const RECT client{0, 0, ScaleToDpi(design_.clientWidth, dpi),
                    ScaleToDpi(design_.clientHeight, dpi)};
  const RECT outer = OuterRectForDpi(client, styles.style, styles.exStyle, dpi);
  return {outer.right - outer.left, outer.bottom - outer.top};
}

void Form::SetIcons() {
  // A modal frame draws no class icon in the title bar, only one set on the window.
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(ProgramIcon(SystemMetricForDpi(SM_CXSMICON, dpi_))));
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(ProgramIcon(SystemMetricForDpi(SM_CXICON, dpi_))));
}

void Form::ApplyDpi(int dpi) {
  // A control that waits keeps a font of this DPI: it is made first and laid out here.
  CreatePendingControls();
  dpi_ = dpi;
  std::vector<DesignFont> previous = std::move(fonts_);
  fonts_.clear();
  for (const DesignFont& made : previous) fonts_.push_back({made.design, Font(made.design, dpi)});
  // Every control of the form, however deep, with its design font made anew.
  auto relayout = [](HWND child, LPARAM data) -> BOOL {
    const auto& [form, old] = *reinterpret_cast<std::pair<Form*, std::vector<DesignFont>*>*>(data);
    Window* window = Window::FromHandle(child);
    Control* control = window != nullptr ? window->AsControl() : nullptr;
    if (control == nullptr) return TRUE;
    HFONT font = control->font();
    for (size_t i = 0; i < old->size(); ++i)
      if ((*old)[i].font.handle() == font) {
        font = form->fonts_[i].font.handle();
        break;
      }
    control->ApplyDpi(form->dpi_, font);
    return TRUE;
  };
  std::pair<Form*, std::vector<DesignFont>*> change{this, &previous};
  EnumChildWindows(hwnd_, relayout, reinterpret_cast<LPARAM>(&change));
  SetIcons();
}

void Form::Destroy() {
  // The object stays bound until WM_NCDESTROY, so WM_DESTROY still finds FormDestroy.
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

SIZE Form::OuterSize() const {
  RECT frame{};
  if (hwnd_ != nullptr) GetWindowRect(hwnd_, &frame);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

HWND Form::FirstTabStop(HWND window) {
  if (window == nullptr || !IsWindowVisible(window) || !IsWindowEnabled(window)) return nullptr;
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  if ((style & WS_CHILD) != 0 && (style & WS_TABSTOP) != 0) return window;
  // Like the dialog manager: into the window asked about and into containers only.
  const bool container =
      (style & WS_CHILD) == 0 || (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0;
  if (!container) return nullptr;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    if (HWND found = FirstTabStop(child)) return found;
  return nullptr;
}

void Form::KeepFocusUsable(std::initializer_list<const Window*> choices) {
  if (hwnd_ == nullptr) return;
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hwnd_, focus) && IsWindowVisible(focus) && IsWindowEnabled(focus))
    return;
  for (const Window* choice : choices) {
    HWND target = choice != nullptr ? FirstTabStop(choice->hwnd()) : nullptr;
    if (target == nullptr) continue;
    lastFocus_ = target;
    // An inactive form gets it back with its activation.
    if (GetActiveWindow() == hwnd_) ::SetFocus(target);
    return;
  }
}

void Form::RestoreFocus() {
  HWND target = lastFocus_;
  if (target == nullptr || !IsWindow(target) || !IsChild(hwnd_, target) ||
      !IsWindowVisible(target) || !IsWindowEnabled(target))
    target = FirstTabStop(hwnd_);
  ::SetFocus(target != nullptr ? target : hwnd_);
}

void Form::MoveTo(int left, int top) {
  if (hwnd_ != nullptr)
    SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::CreateLater(Window& container) {
  container.DeferChildren();
  waiting_.push_back(&container);
}

void Form::CreatePendingControls() {
  std::vector<Window*> containers = std::move(waiting_);
  waiting_.clear();
  for (Window* container : containers) container->CreatePendingChildren();
}

void Form::ShowForm() {
  if (hwnd_ == nullptr) return;
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  // The user sees the form now; the pages not shown yet are made before any input.
  CreatePendingControls();
  HWND focus = GetFocus();
  if (GetActiveWindow() == hwnd_ && (focus == nullptr || !IsChild(hwnd_, focus))) RestoreFocus();
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
  HWND previous = GetActiveWindow();
  modal_ = true;
  closeRequested_ = false;
  // The forms are siblings under the application window: each one is disabled.
  disabledByModal_.clear();
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM self) {
        auto* form = reinterpret_cast<Form*>(self);
        if (hwnd != form->hwnd_ && !Application::Instance().IsApplicationWindow(hwnd) &&
            IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
          form->disabledByModal_.push_back(hwnd);
          EnableWindow(hwnd, FALSE);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(this));
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
  // Re-enable the others before hiding, so Windows activates one of them and not
  // another program.
  for (HWND hwnd : disabledByModal_)
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  disabledByModal_.clear();
  Hide();
  if (previous != nullptr && previous != hwnd_ && IsWindow(previous)) SetActiveWindow(previous);
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
    case WM_ACTIVATE:
      // The focus leaves with the form and comes back to the control that had it;
      // the first time to the first tab stop.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (HIWORD(wParam) == 0) {
        RestoreFocus();
      }
      return 0;
    case DM_GETDEFID: {
      // Enter presses the focused button, as in a dialog.
      HWND focus = GetFocus();
      if (focus != nullptr && IsChild(hwnd_, focus) &&
          (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
      return 0;
    }
    case WM_SYSCOMMAND:
      // Minimised alone, an owned form would become an icon of its own.
      if ((wParam & 0xFFF0) == SC_MINIMIZE &&
          Application::Instance().IsApplicationWindow(GetWindow(hwnd_, GW_OWNER))) {
        Application::Instance().Minimize();
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      // The form now lies on a monitor of another DPI: laid out anew at that DPI, it
      // takes the place and size Windows suggests.
      const int dpi = HIWORD(wParam);
      if (dpi > 0) Guarded([&] { ApplyDpi(dpi); });
      const auto* place = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, place->left, place->top, place->right - place->left,
                   place->bottom - place->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case kWmGetDpiScaledSize:
      // Asked before a move to another DPI: the client area scales exactly, the frame
      // takes what that DPI gives it (Windows would scale the whole window instead).
      *reinterpret_cast<SIZE*>(lParam) = OuterSizeAt(static_cast<int>(wParam));
      return TRUE;
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
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE)
    Application::Instance().FormActivated(hwnd);
  if (message == WM_NCDESTROY) {
    form->Detach();
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  return form->HandleMessage(message, wParam, lParam);
}

}  // namespace gui
