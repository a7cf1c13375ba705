#include "control.h"

#include <commctrl.h>

#include "gui_exception.h"

namespace gui {
namespace {

constexpr char kPanelClass[] = "TdmPanel";

LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT area;
    GetClientRect(hwnd, &area);
    FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

void Control::Create(const ControlSpec& design) {
  if (design.parent != nullptr && design.parent->ChildrenWait()) {
    pending_ = true;
    held_ = {};
    HandOverHeld(false);
    name_ = design.name;
    design_ = {design.left, design.top, design.left + design.width, design.top + design.height};
    font_ = design.font;
    pendingDesign_ = design;
    design.parent->AddPendingChild(this);
    return;
  }
  pending_ = false;
  Make(design);
}

void Control::CreatePending() {
  if (pending_) Make(pendingDesign_);
}

void Control::Make(const ControlSpec& design) {
  static const bool commonControls = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)commonControls;
  // A control that waited is made as it was left: its text, visibility and state.
  const bool held = pending_;
  const Style style = StyleFor(design);
  DWORD windowStyle = WS_CHILD | WS_CLIPSIBLINGS | style.style;
  if (!held || held_.visible) windowStyle |= WS_VISIBLE;
  if (held && !held_.enabled) windowStyle |= WS_DISABLED;
  if (design.tabOrder >= 0) windowStyle |= WS_TABSTOP;
  HWND parent = design.parent != nullptr ? design.parent->hwnd() : nullptr;
  design_ = {design.left, design.top, design.left + design.width, design.top + design.height};
  font_ = design.font;
  dpi_ = design.parent != nullptr ? design.parent->Dpi() : WindowDpi(nullptr);
  const RECT place = PlaceAtDpi();
  HWND hwnd = CreateWindowExA(
      style.exStyle, style.windowClass, held ? held_.text.c_str() : "", windowStyle, place.left,
      place.top, place.right - place.left, place.bottom - place.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), GetModuleHandleA(nullptr), nullptr);
  if (hwnd == nullptr) RaiseLastWindowError(design.name);
  pending_ = false;
  held_ = {};
  Attach(hwnd, design.name);
  // Stock controls get a subclass only to learn when Windows destroys them with
  // their parent, so the object never touches a dead handle.
  SetWindowSubclass(hwnd, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  if (font_ != nullptr) SetFont(font_, false);
  AfterCreate(design);
  if (held) HandOverHeld(true);
  DpiChanged();
  // Children that waited for this window.
  if (!ChildrenWait()) CreatePendingChildren();
}

RECT Control::DesignRect() const {
  return design_;
}

int Control::Scaled(int designPixels) const {
  return ScaleToDpi(designPixels, dpi_);
}

RECT Control::PlaceAtDpi() const {
  // Edges scaled, not sizes, so that neighbours that touch in the design still touch.
  return {Scaled(design_.left), Scaled(design_.top), Scaled(design_.right),
          Scaled(design_.bottom + DroppedHeight())};
}

void Control::ApplyDpi(int dpi, HFONT font) {
  if (hwnd_ == nullptr) return;
  dpi_ = dpi;
  font_ = font;
  // The font first: a drop-down list sizes its field by it, and DpiChanged corrects that.
  if (font_ != nullptr) SetFont(font_);
  const RECT place = PlaceAtDpi();
  SetWindowPos(hwnd_, nullptr, place.left, place.top, place.right - place.left,
               place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  DpiChanged();
}

LRESULT CALLBACK Control::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<Control*>(data);
  // Pages, the page control and the frame pass their children's messages on.
  if (LRESULT result = 0; ReflectToChild(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_GETDLGCODE:
      return self->DialogCode(DefSubclassProc(hwnd, message, wParam, lParam));
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, SubclassProc, 1);
      self->Detach();
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

const char* Panel::WindowClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPanelClass;
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  return kPanelClass;
}

Control::Style Panel::StyleFor(const ControlSpec&) const {
  return {WindowClass(), WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
}

}  // namespace gui
