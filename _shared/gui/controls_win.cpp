#include "controls.h"

#include <commctrl.h>

#include <algorithm>

namespace gui {
namespace {

void Raise(const Callback& callback) {
  if (callback) callback();
}

// A text too long for one line wraps where the design gives the box a second line;
// one that fits stays on its line, in the middle of the box's height.
constexpr DWORD kLines = BS_MULTILINE;

}  // namespace

Control::Style Label::StyleFor(const ControlSpec& design) const {
  // Windows' centred and right-aligned statics wrap; only the left one clips.
  const DWORD type = design.align == Align::Left ? SS_LEFTNOWORDWRAP : SS_OWNERDRAW;
  return {"STATIC", type | SS_NOTIFY};
}

void Label::AfterCreate(const ControlSpec& design) {
  align_ = design.align;
}

bool Label::HandleDrawItem(const DRAWITEMSTRUCT& item) {
  RECT box = item.rcItem;
  FillRect(item.hDC, &box, GetSysColorBrush(COLOR_BTNFACE));
  // An owner-drawn static keeps no font of its own.
  HGDIOBJ previous = font() != nullptr ? SelectObject(item.hDC, font()) : nullptr;
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(Enabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  const std::string text = Text();
  // As Windows' own centred and right-aligned statics do, a text too wide for the
  // control wraps at its blanks into the lines the design gives it.
  const UINT format =
      DT_WORDBREAK | DT_EXPANDTABS | (align_ == Align::Center ? DT_CENTER : DT_RIGHT);
  DrawTextA(item.hDC, text.c_str(), static_cast<int>(text.size()), &box, format);
  if (previous != nullptr) SelectObject(item.hDC, previous);
  return true;
}

void Label::HandleCommand(WORD code) {
  if (code == STN_CLICKED) Raise(onClick);
}

Control::Style Button::StyleFor(const ControlSpec&) const {
  return {"BUTTON", BS_PUSHBUTTON};
}

void Button::HandleCommand(WORD code) {
  if (code == BN_CLICKED) Raise(onClick);
}

void Button::Click() {
  if (Enabled() && Visible()) Raise(onClick);
}

Control::Style CheckBox::StyleFor(const ControlSpec&) const {
  return {"BUTTON", BS_AUTOCHECKBOX | kLines};
}

void CheckBox::HandleCommand(WORD code) {
  if (code == BN_CLICKED) Raise(onClick);
}

bool CheckBox::Checked() const {
  if (hwnd_ == nullptr) return pending_ && heldChecked_;
  return SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
  if (Checked() == checked) return;
  if (hwnd_ != nullptr)
    SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  else if (pending_)
    heldChecked_ = checked;
  Raise(onClick);
}

void CheckBox::HandOverHeld(bool toWindow) {
  if (toWindow && heldChecked_) SendMessageA(hwnd_, BM_SETCHECK, BST_CHECKED, 0);
  heldChecked_ = false;
}

Control::Style RadioButton::StyleFor(const ControlSpec&) const {
  return {"BUTTON", BS_AUTORADIOBUTTON | kLines};
}

void RadioButton::HandleCommand(WORD code) {
  if (code == BN_CLICKED) Raise(onClick);
}

bool RadioButton::Checked() const {
  if (hwnd_ == nullptr) return pending_ && heldChecked_;
  return SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void RadioButton::SetChecked(bool checked) {
  if (hwnd_ == nullptr) {
    if (!pending_) return;
    // Its siblings wait together with it, on the same parent.
    if (checked && PendingParent() != nullptr)
      for (Window* sibling : PendingParent()->PendingChildren())
        if (Control* control = sibling->AsControl(); control != nullptr && control != this)
          control->SiblingRadioChecked();
    heldChecked_ = checked;
    return;
  }
  if (checked) {
    // Auto radio buttons uncheck their siblings only on a click; do it here too.
    HWND parent = GetParent(hwnd_);
    for (HWND sibling = GetWindow(parent, GW_CHILD); sibling != nullptr;
         sibling = GetWindow(sibling, GW_HWNDNEXT)) {
      if (sibling != hwnd_ && (GetWindowLongA(sibling, GWL_STYLE) & 0x0F) == BS_AUTORADIOBUTTON)
        SendMessageA(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void RadioButton::HandOverHeld(bool toWindow) {
  const bool checked = heldChecked_;
  heldChecked_ = false;
  // Through SetChecked: a sibling made before it is unchecked as well.
  if (toWindow && checked) SetChecked(true);
}

Control::Style Edit::StyleFor(const ControlSpec&) const {
  return {"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
}

void Edit::HandleCommand(WORD code) {
  if (code == EN_CHANGE) Raise(onChange);
}

Control::Style Memo::StyleFor(const ControlSpec&) const {
  return {"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE};
}

LRESULT Memo::DialogCode(LRESULT code) const {
  // Read-only text: Tab and Enter belong to the form, or the user is stuck in here.
  return code & ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS);
}

void Memo::Clear() {
  pending_.clear();
}

void Memo::AddLine(const char* line) {
  if (!pending_.empty()) pending_ += "\r\n";
  pending_ += line;
}

void Memo::EndUpdate() {
  // Wine lays out every wrapped line of an edit control anew on each WM_SETTEXT (a
  // few hundred lines of terms take a tenth of a second); the same text again changes
  // nothing on screen but the caret and the scroll position, which go to the start.
  if (pending_ != Text()) {
    SetText(pending_);
  } else if (hwnd_ != nullptr) {
    SendMessageA(hwnd_, EM_SETSEL, 0, 0);
    SendMessageA(hwnd_, EM_SCROLLCARET, 0, 0);
  }
}

Control::Style ComboBox::StyleFor(const ControlSpec&) const {
  return {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL};
}

void ComboBox::HandleCommand(WORD code) {
  if (code == CBN_SELCHANGE) Raise(onChange);
}

void FitDropDownField(HWND combo, int height) {
  RECT field{};
  GetWindowRect(combo, &field);
  if (field.bottom - field.top >= height) return;
  // Windows versions count the field's frame into the item height differently: the
  // second round corrects by what the first one gave.
  auto item = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  item += height - (field.bottom - field.top);
  SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item);
  GetWindowRect(combo, &field);
  item += height - (field.bottom - field.top);
  SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item);
}

void ComboBox::DpiChanged() {
  const RECT design = DesignRect();
  FitDropDownField(hwnd_, Scaled(design.bottom) - Scaled(design.top));
}

void ComboBox::Clear() {
  if (hwnd_ != nullptr) {
    SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
  } else if (pending_) {
    heldItems_.clear();
    heldIndex_ = -1;
  }
}

void ComboBox::AddItem(const char* text) {
  if (hwnd_ != nullptr)
    SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  else if (pending_)
    heldItems_.emplace_back(text);
}

int ComboBox::ItemCount() const {
  if (hwnd_ == nullptr) return pending_ ? static_cast<int>(heldItems_.size()) : 0;
  return static_cast<int>(SendMessageA(hwnd_, CB_GETCOUNT, 0, 0));
}

int ComboBox::ItemIndex() const {
  if (hwnd_ == nullptr) return pending_ ? heldIndex_ : 0;
  return static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
}

void ComboBox::SetItemIndex(int index) {
  if (hwnd_ != nullptr)
    SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  else if (pending_)  // as the list does: an index outside it selects nothing
    heldIndex_ = index >= 0 && index < ItemCount() ? index : -1;
}

void ComboBox::HandOverHeld(bool toWindow) {
  if (toWindow) {
    for (const std::string& item : heldItems_) AddItem(item.c_str());
    if (heldIndex_ >= 0) SetItemIndex(heldIndex_);
  }
  heldItems_.clear();
  heldIndex_ = -1;
}

Control::Style ProgressBar::StyleFor(const ControlSpec&) const {
  return {PROGRESS_CLASSA, PBS_SMOOTH};
}

void ProgressBar::AfterCreate(const ControlSpec&) {
  SetMax(kDefaultMax);
}

void ProgressBar::SetMax(std::uint32_t max) {
  if (hwnd_ != nullptr) {
    SendMessageA(hwnd_, PBM_SETRANGE32, 0, static_cast<LPARAM>(max));
  } else if (pending_) {
    // The bar keeps its position within its range.
    heldMax_ = max;
    heldPosition_ = std::min(heldPosition_, max);
  }
}

void ProgressBar::SetPosition(std::uint32_t position) {
  if (hwnd_ != nullptr)
    SendMessageA(hwnd_, PBM_SETPOS, position, 0);
  else if (pending_)
    heldPosition_ = std::min(position, heldMax_);
}

std::uint32_t ProgressBar::Position() const {
  if (hwnd_ == nullptr) return pending_ ? heldPosition_ : 0;
  return static_cast<std::uint32_t>(SendMessageA(hwnd_, PBM_GETPOS, 0, 0));
}

void ProgressBar::HandOverHeld(bool toWindow) {
  if (toWindow) {
    SetMax(heldMax_);
    SetPosition(heldPosition_);
  }
  heldMax_ = kDefaultMax;
  heldPosition_ = 0;
}

namespace {

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT area;
      GetClientRect(hwnd, &area);
      FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      RECT frame;
      GetClientRect(hwnd, &frame);
      // Half the caption font's height, where a captionless frame starts.
      const Window* box = Window::FromHandle(hwnd);
      frame.top += ScaleToDpi(6, box != nullptr ? box->Dpi() : kDesignDpi);
      DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
      EndPaint(hwnd, &paint);
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

const char* FrameClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "TdmFrame";
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  return "TdmFrame";
}

}  // namespace

Control::Style GroupBox::StyleFor(const ControlSpec&) const {
  return {FrameClass(), WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
}

}  // namespace gui
