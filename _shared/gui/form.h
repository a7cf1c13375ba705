// Form: a top-level window with a fixed client size, its controls created from a
// layout table, and the creation and destruction handlers of its class. Sizes, fonts
// and icon follow the DPI of the monitor the form is on; the design is at 96.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

#include "dpi.h"
#include "font.h"
#include "window.h"

namespace gui {

// The program's own icon (icon group 1) at the given size, the system's where it has none.
HICON ProgramIcon(int size);

struct FormDesign {
  const char* name;
  const char* caption;
  int clientWidth;  // pixels at 96 dpi
  int clientHeight;
  // WS_CAPTION | WS_SYSMENU | ... : a single fixed border; DS_MODALFRAME adds the
  // dialog frame.
  DWORD style;
  FontSpec font;
};

class Form : public Window {
 public:
  // Creates the window hidden, builds its controls and runs FormCreate. Raises
  // Exception when the window cannot be created.
  void CreateForm(const FormDesign& design, HWND owner);

  // Destroys the window now; FormDestroy runs while the controls still exist. The
  // object stays.
  void Destroy();

  // Shows the form with the focus on a control the user can use. Controls that wait
  // (CreateLater) get their windows right after its first paint.
  void ShowForm();
  // The controls created on `container` from now on wait for their windows until the
  // form is shown, or the container is, or CreatePendingControls is called.
  void CreateLater(Window& container);
  void CreatePendingControls();
  // Closes as the user's close box would: the main form ends the message loop,
  // a modal form ends its modal loop, any other form hides.
  void Close();
  // Shows the form and runs a local loop until Close; the program's other windows
  // are disabled meanwhile, the application window aside.
  int ShowModal();
  void MoveTo(int left, int top);
  // The outer size, frame included: what the form is centred by.
  SIZE OuterSize() const;

  // Keeps the focus on something the user can see and use: when it sits on nothing,
  // the form itself, a hidden or a disabled control, it moves to the first of
  // `choices` (a control, or a container's first tab stop) that can take it.
  void KeepFocusUsable(std::initializer_list<const Window*> choices);
  // The window itself when it takes the tab key, else the first of its visible and
  // enabled descendants that does, in tab order; null when there is none.
  static HWND FirstTabStop(HWND window);

  // The design font, and any other font the layout table names, at the form's DPI.
  // The form keeps them and makes them anew when its DPI changes.
  HFONT font() const { return fonts_.empty() ? nullptr : fonts_.front().font.handle(); }
  HFONT FormFont(const FontSpec& design);
  // The client size at the form's DPI.
  int clientWidth() const { return ScaleToDpi(design_.clientWidth, dpi_); }
  int clientHeight() const { return ScaleToDpi(design_.clientHeight, dpi_); }
  int Dpi() const override { return dpi_; }
  bool modal() const { return modal_; }

 protected:
  virtual void CreateControls() {}
  virtual void FormCreate() {}
  virtual void FormDestroy() {}
  // Asked before the form closes; false keeps it open.
  virtual bool CanClose() { return true; }
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
  static const char* WindowClass();

  void RestoreFocus();
  // Lays the form out at `dpi`: fonts, controls, icons; the window's size is the
  // caller's (the rectangle Windows suggests, or the client size at creation).
  void ApplyDpi(int dpi);
  void SetIcons();
  // The outer size at `dpi` of a window with the design's client size.
  SIZE OuterSizeAt(int dpi) const;

  struct DesignFont {
    FontSpec design;
    Font font;
  };

  FormDesign design_{};
  int dpi_ = kDesignDpi;
  std::vector<DesignFont> fonts_;
  HWND lastFocus_ = nullptr;
  std::vector<HWND> disabledByModal_;
  std::vector<Window*> waiting_;  // containers whose controls wait
  bool modal_ = false;
  bool closeRequested_ = false;
  bool destroyed_ = false;
};

}  // namespace gui
