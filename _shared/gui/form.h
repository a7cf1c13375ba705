// Form: a top-level window with a fixed client size, its controls created from a
// layout table, and the creation and destruction handlers of its class.
#pragma once

#include <windows.h>

#include "font.h"
#include "window.h"

namespace gui {

struct FormDesign {
  const char* name;
  const char* caption;
  int clientWidth;
  int clientHeight;
  DWORD style;  // WS_CAPTION | WS_SYSMENU | ... ; the border decides the frame
  FontSpec font;
};

class Form : public Window {
 public:
  // Creates the window hidden, builds its controls and runs FormCreate.
  void CreateForm(const FormDesign& design, HWND owner);

  // Destroys the window now (its FormDestroy runs); the object stays.
  void Destroy() { DestroyHandle(); }

  void ShowForm();
  // Closes as the user's close box would: the main form ends the message loop,
  // a modal form ends its modal loop, any other form hides.
  void Close();
  // Shows the form and runs a local loop until Close; the owner is disabled meanwhile.
  int ShowModal();
  void MoveTo(int left, int top);

  HFONT font() const { return font_.handle(); }
  int clientWidth() const { return design_.clientWidth; }
  int clientHeight() const { return design_.clientHeight; }
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

  FormDesign design_{};
  Font font_;
  bool modal_ = false;
  bool closeRequested_ = false;
  bool destroyed_ = false;
};

}  // namespace gui
