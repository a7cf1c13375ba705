// A window of the program under test, seen from outside its process: a top-level
// form, one of its controls or a message box. Non-owning; every query goes through
// messages or calls that Windows (and Wine) carry across process boundaries.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "wait_until.h"

namespace driver {

// The window property that names a form or control: its value is a global atom
// whose name is the form's or control's name ("FSetup", "Button1").
inline constexpr char kNameProperty[] = "TdmName";

struct ProgressState {
  int low = 0;
  int high = 0;
  int position = 0;
};

class Window {
 public:
  Window() = default;
  explicit Window(HWND handle) : handle_(handle) {}

  HWND Handle() const { return handle_; }
  bool Exists() const;
  DWORD ProcessId() const;

  // --- what it is (window.cpp)
  std::string Name() const;  // empty when it carries no name
  std::string ClassName() const;
  int Id() const;
  // The name when it has one, else class and id: for failure messages.
  std::string Describe() const;
  Window Parent() const;
  Window Owner() const;
  std::vector<Window> Descendants() const;
  std::optional<Window> FindChild(const std::string& name) const;
  std::optional<Window> FindChildById(int id) const;
  // As FindChild/FindChildById, but a missing control throws DriverError.
  Window Child(const std::string& name) const;
  Window ChildById(int id) const;

  // --- what a user sees (window_read.cpp)
  std::string Text() const;  // the caption or edit contents, as Windows-1252 bytes
  // Visible on screen: this window and all its parents are shown.
  bool IsVisible() const;
  bool IsEnabled() const;
  // Visible, enabled, and neither a parent disabled nor a modal window in the way.
  bool IsUsable() const;
  RECT ScreenRect() const;
  RECT ClientRect() const;
  LONG Style() const;
  int CheckState() const;  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE
  bool IsChecked() const { return CheckState() == BST_CHECKED; }
  int ComboSelection() const;  // CB_ERR (-1) when nothing is selected
  std::vector<std::string> ComboItems() const;
  std::string ComboSelectedText() const;
  ProgressState Progress() const;
  // A multi-line edit's text split at its line breaks.
  std::vector<std::string> Lines() const;

  // --- what a user does (window_input.cpp). Each throws DriverError when the
  // control is not usable; each returns once the program has handled the input,
  // has opened another window (a message box, a modal form), has ended, or after
  // a few seconds of work (the installation runs inside a click).
  void Click() const;
  void SetChecked(bool checked) const;       // clicks when the state differs
  void Type(const std::string& text) const;  // replaces the whole text, as typed
  void SelectComboItem(int index) const;
  void SelectComboItem(const std::string& text) const;
  void Close() const;  // the close box of a top-level window

 private:
  HWND handle_ = nullptr;
};

// Sends `message` the way user input reaches a program: the call returns as soon as
// the receiver has handled it, or when the receiver shows a new top-level window,
// ends, or is still busy after `patience`. Never blocks on a modal box.
void SendAsUser(Window target, UINT message, WPARAM wParam, LPARAM lParam,
                Milliseconds patience = Milliseconds{5000});

}  // namespace driver
