// Window: the thin owner of one HWND. Every window carries its name as the window
// property "TdmName" (a global atom), so tests outside the process can find it, and
// a pointer to its object as "TdmObj", so notifications find their control.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace gui {

class Control;

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  const std::string& name() const { return name_; }

  std::string Text() const;
  void SetText(const char* text);
  void SetText(const std::string& text) { SetText(text.c_str()); }
  // The text now, painted with the window's next invalidation: Wine's controls paint
  // themselves at once inside WM_SETTEXT, which Windows' own leave to WM_PAINT.
  void SetTextUnpainted(const std::string& text);
  void Invalidate();
  bool Visible() const;
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const;
  void SetEnabled(bool enabled);
  // A control just made has never been painted: its first paint uses the font anyway.
  void SetFont(HFONT font, bool redraw = true);
  void SetFocus();
  // Paints what is invalid in the window and its children now, instead of waiting
  // for the message loop.
  void Repaint();

  static Window* FromHandle(HWND hwnd);
  // The control this window is, or null: what a dynamic_cast would say, without the
  // run-time type information the programs are built without.
  virtual Control* AsControl() { return nullptr; }

  // The DPI the window is laid out at; a form and its controls keep their own, so that
  // a change of monitor reaches them all at once.
  virtual int Dpi() const;

  // A notification (WM_COMMAND code) raised by this control, reflected by its parent.
  virtual void HandleCommand(WORD /*code*/) {}
  // An owner-drawn control paints its item; false leaves it to Windows.
  virtual bool HandleDrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }

  // Controls created on this window from now on get their windows later: when it is
  // shown, or at CreatePendingChildren, whichever comes first. A form appears sooner
  // when the controls of the pages the user has not reached are made after its first
  // paint. Meanwhile each keeps what is set on it and gives it back when asked, and
  // counts as not visible. (The drive box and the folder list read the disk when made
  // and hold nothing: they belong on containers that do not defer.)
  void DeferChildren() { defersChildren_ = true; }
  // Makes the windows of the children that wait, in the order they were created in.
  void CreatePendingChildren();
  // Whether a control created on this window now must wait for its window.
  bool ChildrenWait() const { return defersChildren_ || pending_; }
  void AddPendingChild(Window* child) { pendingChildren_.push_back(child); }
  const std::vector<Window*>& PendingChildren() const { return pendingChildren_; }

 protected:
  // Binds a freshly created HWND to this object.
  void Attach(HWND hwnd, const char* name);
  void Detach();
  void DestroyHandle();

  // Makes the window of a control that waited (Control does).
  virtual void CreatePending() {}

  HWND hwnd_ = nullptr;
  std::string name_;
  // A control waiting for its window, and what has been set on it meanwhile.
  bool pending_ = false;
  struct Held {
    std::string text;
    bool visible = true;
    bool enabled = true;
  } held_;

 private:
  ATOM nameAtom_ = 0;
  bool defersChildren_ = false;
  std::vector<Window*> pendingChildren_;
};

// What every container does with its children's messages: notifications
// (WM_COMMAND, WM_DRAWITEM) go to the control object that raised them, with any
// exception ending in the application's report, and colour requests get the face
// colour. True when the message was handled; its result is then in `result`.
bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Labels, check boxes and frames take the face colour of the window they sit on;
// the answer to WM_CTLCOLORSTATIC and WM_CTLCOLORBTN of every container.
LRESULT FaceColours(HDC dc);

}  // namespace gui
