// The standard controls the forms are built from, each a thin class over one
// Win32 control with single-slot callbacks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "control.h"

namespace gui {

using Callback = std::function<void()>;

// A drop-down list's field as tall as `height`, or taller where its font needs more.
void FitDropDownField(HWND combo, int height);

// A fixed-size caption on one line: a text wider than its box is clipped there,
// never wrapped onto a line the box does not show.
class Label : public Control {
 public:
  Callback onClick;  // a click on the text

 protected:
  Style StyleFor(const ControlSpec& design) const override;
  void AfterCreate(const ControlSpec& design) override;
  void HandleCommand(WORD code) override;
  bool HandleDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  Align align_ = Align::Left;
};

class Button : public Control {
 public:
  Callback onClick;
  void Click();  // as if the user clicked it

 protected:
  Style StyleFor(const ControlSpec& design) const override;
  void HandleCommand(WORD code) override;
};

class CheckBox : public Control {
 public:
  Callback onClick;  // raised by the user's click and by every change through SetChecked
  bool Checked() const;
  void SetChecked(bool checked);

 protected:
  Style StyleFor(const ControlSpec& design) const override;
  void HandleCommand(WORD code) override;
  void HandOverHeld(bool toWindow) override;

 private:
  bool heldChecked_ = false;
};

// Checking one unchecks the other radio buttons of its parent, from code as by a click.
class RadioButton : public Control {
 public:
  Callback onClick;
  bool Checked() const;
  void SetChecked(bool checked);
  void SiblingRadioChecked() override { heldChecked_ = false; }

 protected:
  Style StyleFor(const ControlSpec& design) const override;
  void HandleCommand(WORD code) override;
  void HandOverHeld(bool toWindow) override;

 private:
  bool heldChecked_ = false;
};

class Edit : public Control {
 public:
  Callback onChange;

 protected:
  Style StyleFor(const ControlSpec& design) const override;
  void HandleCommand(WORD code) override;
};

// Multi-line, read-only text with a vertical scroll bar; lines are set as a whole.
class Memo : public Control {
 public:
  void Clear();
  void AddLine(const char* line);
  void EndUpdate();  // shows what AddLine collected
  std::string Lines() const { return pending_; }

 protected:
  Style StyleFor(const ControlSpec& design) const override;
  LRESULT DialogCode(LRESULT code) const override;

 private:
  std::string pending_;
};

// A drop-down list without an edit field.
class ComboBox : public Control {
 public:
  Callback onChange;  // the user picked another item
  void Clear();
  void AddItem(const char* text);
  int ItemCount() const;
  int ItemIndex() const;
  void SetItemIndex(int index);

 protected:
  Style StyleFor(const ControlSpec& design) const override;
  void HandleCommand(WORD code) override;
  int DroppedHeight() const override { return 160; }
  void DpiChanged() override;
  void HandOverHeld(bool toWindow) override;

 private:
  std::vector<std::string> heldItems_;
  int heldIndex_ = -1;
};

class ProgressBar : public Control {
 public:
  // 32-bit range: the archive check counts bytes, far above 65,535.
  void SetMax(std::uint32_t max);
  void SetPosition(std::uint32_t position);
  std::uint32_t Position() const;

 protected:
  Style StyleFor(const ControlSpec& design) const override;
  void AfterCreate(const ControlSpec& design) override;
  void HandOverHeld(bool toWindow) override;

 private:
  static constexpr std::uint32_t kDefaultMax = 100;
  std::uint32_t heldMax_ = kDefaultMax;
  std::uint32_t heldPosition_ = 0;
};

// A frame whose controls are its children; it passes their notifications on. Drawn
// here rather than by the stock group box, which paints over its children's edges.
class GroupBox : public Control {
 protected:
  Style StyleFor(const ControlSpec& design) const override;
};

}  // namespace gui
