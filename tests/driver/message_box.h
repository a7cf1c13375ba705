// A message box (MessageBoxA) of the program under test: the dialog class "#32770"
// with its text in a static control and one button per answer.
#pragma once

#include <string>
#include <vector>

#include "window.h"

namespace driver {

// The id of the message text's static control, 0xFFFF both in Windows and in Wine.
inline constexpr int kMessageBoxTextId = 0xFFFF;
// The id of the icon's static control in Wine's message box.
inline constexpr int kMessageBoxIconId = 0x0440;
inline constexpr char kDialogClass[] = "#32770";

class MessageBoxWindow {
 public:
  explicit MessageBoxWindow(Window window) : window_(window) {}

  Window AsWindow() const { return window_; }
  bool Exists() const { return window_.Exists(); }
  std::string Caption() const { return window_.Text(); }
  // The message with its line breaks as "\n" (or "\r\n", as the program wrote it).
  std::string Text() const;
  // Captions of the visible buttons, in the order of their ids ("OK").
  std::vector<std::string> ButtonTexts() const;
  bool HasIcon() const;
  // The window the box belongs to; empty for a box without owner.
  Window Owner() const { return window_.Owner(); }

  // Presses the button with this id (IDOK, IDYES, ...) as a user would.
  void Press(int buttonId = IDOK) const;

 private:
  Window window_;
};

}  // namespace driver
