#include "text_fit.h"

#include "control.h"
#include "dpi.h"
#include "window.h"

namespace text_fit {
namespace {

// Room a Button class control leaves its text at 96 dpi: the glyph and the gap after it
// for check boxes and radio buttons (Windows' 13 pixels and 4), the frame and focus
// rectangle's inset for push buttons, the frame's corners for a group box.
int ReservedWidth(LONG style) {
  switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
      return 13 + 4;
    case BS_GROUPBOX:
      return 16;
    default:
      return 8;
  }
}

std::string NameOf(HWND window) {
  gui::Window* object = gui::Window::FromHandle(window);
  const gui::Control* control = object != nullptr ? object->AsControl() : nullptr;
  return control != nullptr ? control->name() : std::string("?");
}

void Walk(HWND parent, std::vector<std::string>& out) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    Walk(child, out);
    char type[16] = {};
    GetClassNameA(child, type, sizeof type);
    const bool button = lstrcmpiA(type, "Button") == 0, label = lstrcmpiA(type, "Static") == 0;
    const int length = GetWindowTextLengthA(child);
    if ((!button && !label) || length == 0) continue;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(child, text.data(), length + 1)));
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
    if (gui::Window* object = gui::Window::FromHandle(child); font == nullptr && object != nullptr)
      if (const gui::Control* control = object->AsControl()) font = control->font();
    RECT room{};
    GetClientRect(child, &room);
    const int dpi = gui::WindowDpi(child);
    const int reserved =
        button ? MulDiv(ReservedWidth(GetWindowLongA(child, GWL_STYLE)), dpi, 96) : 0;
    HDC dc = GetDC(child);
    HGDIOBJ previous = SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
    // Owner-drawn labels and multi-line buttons wrap at blanks within their rectangle;
    // every other one keeps its text on one line.
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    const bool wraps =
        (label && (style & SS_TYPEMASK) == SS_OWNERDRAW) || (button && (style & BS_MULTILINE));
    const int width = room.right - reserved, height = room.bottom;
    RECT need{0, 0, wraps ? width : 0, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &need,
              DT_CALCRECT | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, previous);
    ReleaseDC(child, dc);
    if (need.right > width || need.bottom > height)
      out.push_back(NameOf(child) + " \"" + text + "\": needs " + std::to_string(need.right) +
                    " x " + std::to_string(need.bottom) + ", has " + std::to_string(width) + " x " +
                    std::to_string(height));
  }
}

}  // namespace

std::vector<std::string> TextsThatDoNotFit(HWND form) {
  std::vector<std::string> out;
  Walk(form, out);
  return out;
}

}  // namespace text_fit
