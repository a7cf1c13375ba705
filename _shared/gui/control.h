// Control: a child window made from one line of a form's layout table.
#pragma once

#include <windows.h>

#include "window.h"

namespace gui {

enum class Align { Left, Center, Right };

// One line of a layout table: where a control sits and how it looks.
struct ControlSpec {
  const char* name;
  int id;          // stable control id, also for tests outside the process
  Window* parent;  // the form, a page control or a page
  int left, top, width, height;
  HFONT font;
  Align align = Align::Left;
  int tabOrder = -1;  // -1: takes no focus from the tab key
};

class Control : public Window {
 public:
  // Creates the window; controls are created in the order of their table, which is
  // also the order the tab key walks.
  void Create(const ControlSpec& design);

 protected:
  struct Style {
    const char* windowClass;
    DWORD style;
    DWORD exStyle = 0;
  };
  virtual Style StyleFor(const ControlSpec& design) const = 0;
  virtual void AfterCreate(const ControlSpec& /*design*/) {}
  // Which keys the control keeps from the dialog manager (WM_GETDLGCODE).
  virtual LRESULT DialogCode(LRESULT code) const { return code; }

 private:
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  bool ownClass_ = false;
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
