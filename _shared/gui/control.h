// Control: a child window made from one line of a form's layout table.
#pragma once

#include <windows.h>

#include "dpi.h"
#include "window.h"

namespace gui {

enum class Align { Left, Center, Right };

// One line of a layout table: where a control sits and how it looks.
struct ControlSpec {
  const char* name;
  int id;                        // stable control id, also for tests outside the process
  Window* parent;                // the form, a page control or a page
  int left, top, width, height;  // pixels at 96 dpi, scaled to the form's
  HFONT font;                    // one of the form's fonts (Form::FormFont)
  Align align = Align::Left;
  int tabOrder = -1;  // -1: takes no focus from the tab key
};

class Control : public Window {
 public:
  // Creates the window at its parent's DPI; controls are created in the order of their
  // table, which is also the order the tab key walks. On a parent whose children wait
  // (Window::DeferChildren), the window is made when the parent makes it.
  void Create(const ControlSpec& design);

  // The place the layout table gives, in pixels at 96 dpi (right and bottom exclusive).
  RECT DesignRect() const;
  HFONT font() const { return font_; }
  int Dpi() const override { return dpi_; }
  Control* AsControl() override { return this; }
  // Lays the control out anew at `dpi`, with `font` (its design font made for that DPI).
  void ApplyDpi(int dpi, HFONT font);
  // A radio button of the same parent was checked while both wait for their windows.
  virtual void SiblingRadioChecked() {}

 protected:
  struct Style {
    const char* windowClass;
    DWORD style;
    DWORD exStyle = 0;
  };
  virtual Style StyleFor(const ControlSpec& design) const = 0;
  virtual void AfterCreate(const ControlSpec& /*design*/) {}
  // What was set on the control while it waited, beyond text, visibility and enabled
  // state: given to its new window when `toWindow`, forgotten in any case.
  virtual void HandOverHeld(bool /*toWindow*/) {}
  // Which keys the control keeps from the dialog manager (WM_GETDLGCODE).
  virtual LRESULT DialogCode(LRESULT code) const { return code; }
  // A drop-down's window includes the list it opens: its design height below the field.
  virtual int DroppedHeight() const { return 0; }
  // What else follows the DPI once place and font are set (the height of a list's lines).
  virtual void DpiChanged() {}
  // A design length at the control's DPI.
  int Scaled(int designPixels) const;
  // The parent of a control that waits for its window.
  Window* PendingParent() const { return pending_ ? pendingDesign_.parent : nullptr; }

 private:
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  void CreatePending() override;
  void Make(const ControlSpec& design);
  // The window's rectangle in its parent at the control's DPI, an opened list included.
  RECT PlaceAtDpi() const;

  RECT design_{};
  HFONT font_ = nullptr;
  int dpi_ = 96;
  ControlSpec pendingDesign_{};
};

// Container windows: the pages and the page control. They pass their children's
// notifications on to the control objects that raised them.
class Panel : public Control {
 public:
  static const char* WindowClass();

 protected:
  Style StyleFor(const ControlSpec& design) const override;
};

}  // namespace gui
