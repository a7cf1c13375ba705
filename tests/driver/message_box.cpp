#include "message_box.h"

#include <algorithm>

namespace driver {

std::string MessageBoxWindow::Text() const {
  return window_.ChildById(kMessageBoxTextId).Text();
}

std::vector<std::string> MessageBoxWindow::ButtonTexts() const {
  std::vector<Window> buttons;
  for (const Window& child : window_.Descendants())
    if (child.ClassName() == "Button" || child.ClassName() == "BUTTON")
      if (child.IsVisible()) buttons.push_back(child);
  std::sort(buttons.begin(), buttons.end(),
            [](const Window& a, const Window& b) { return a.Id() < b.Id(); });
  std::vector<std::string> texts;
  for (const Window& button : buttons) texts.push_back(button.Text());
  return texts;
}

bool MessageBoxWindow::HasIcon() const {
  const auto icon = window_.FindChildById(kMessageBoxIconId);
  if (!icon || !icon->IsVisible()) return false;
  DWORD_PTR handle = 0;
  SendMessageTimeoutA(icon->Handle(), STM_GETICON, 0, 0, SMTO_NORMAL, 5000, &handle);
  return handle != 0;
}

void MessageBoxWindow::Press(int buttonId) const {
  window_.ChildById(buttonId).Click();
}

}  // namespace driver
