#include "directory_list.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "gui_exception.h"
#include "quiet_drive_errors_win.h"
#include "s_handle_win.h"

namespace gui {
namespace {

// Design pixels at 96 dpi.
constexpr int kItemHeight = 16;
constexpr int kIndentPerLevel = 8;

std::string RootOf(char drive) {
  return std::string(1, drive) + ":\\";
}

bool IsFolder(const std::string& path) {
  QuietDriveErrors quiet;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

// The names below the root of a full path ("C:\a\b" gives a, b).
std::vector<std::string> PartsBelowRoot(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 2; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\' || path[i] == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += path[i];
    }
  }
  return parts;
}

// The deepest existing folder along `path`, spelt as the disk spells it; nothing when
// the path names no drive or its drive cannot be read.
std::optional<std::string> ExistingFolderAlong(const std::string& path) {
  if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])))
    return std::nullopt;
  const std::string root =
      RootOf(static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))));
  if (!IsFolder(root)) return std::nullopt;
  std::vector<std::string> opened;
  for (const std::string& part : PartsBelowRoot(path)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!opened.empty()) opened.pop_back();
      continue;
    }
    // A wildcard would let the lookup below find some other folder.
    if (part.find_first_of("*?") != std::string::npos) break;
    std::string folder = root;
    for (const std::string& name : opened) folder = Join(folder, name);
    const std::string candidate = Join(folder, part);
    if (candidate.size() >= MAX_PATH) break;
    QuietDriveErrors quiet;
    WIN32_FIND_DATAA found;
    if (!handles::Find(FindFirstFileA(candidate.c_str(), &found))) break;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) break;
    opened.push_back(found.cFileName);
  }
  std::string folder = root;
  for (const std::string& name : opened) folder = Join(folder, name);
  return folder;
}

std::vector<std::string> SubfoldersOf(const std::string& folder) {
  std::vector<std::string> names;
  QuietDriveErrors quiet;
  WIN32_FIND_DATAA found;
  const handles::Find search(FindFirstFileA(Join(folder, "*").c_str(), &found));
  if (!search) return names;
  do {
    const std::string name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != "..")
      names.push_back(name);
  } while (FindNextFileA(search.get(), &found));
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
  });
  return names;
}

class SolidBrush {
 public:
  explicit SolidBrush(COLORREF colour) : brush_(CreateSolidBrush(colour)) {}
  ~SolidBrush() { DeleteObject(brush_); }
  SolidBrush(const SolidBrush&) = delete;
  SolidBrush& operator=(const SolidBrush&) = delete;
  HBRUSH get() const { return brush_; }

 private:
  HBRUSH brush_;
};

// A small folder: a tab and a body, paler when the folder lies on the open path.
void DrawFolderGlyph(HDC dc, int left, int top, bool open, int dpi) {
  const SolidBrush frame(RGB(150, 110, 20));
  const SolidBrush fill(open ? RGB(255, 236, 160) : RGB(250, 204, 80));
  auto at = [dpi](int designPixels) { return ScaleToDpi(designPixels, dpi); };
  RECT tab{left, top + at(2), left + at(7), top + at(5)};
  RECT body{left, top + at(4), left + at(16), top + at(14)};
  FillRect(dc, &tab, frame.get());
  FillRect(dc, &body, frame.get());
  InflateRect(&body, -1, -1);
  FillRect(dc, &body, fill.get());
}

}  // namespace

Control::Style DirectoryListBox::StyleFor(const ControlSpec&) const {
  return {"LISTBOX",
          LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL,
          WS_EX_CLIENTEDGE};
}

void DirectoryListBox::DpiChanged() {
  SendMessageA(hwnd_, LB_SETITEMHEIGHT, 0, Scaled(kItemHeight));
  InvalidateRect(hwnd_, nullptr, TRUE);
}

bool DirectoryListBox::SetDirectory(const std::string& path) {
  if (Open(path)) return true;
  char current[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(sizeof current, current);
  if (length > 0 && length < sizeof current) Open(current);
  return false;
}

void DirectoryListBox::ChangeDrive(char drive) {
  drive = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
  if (drive == Drive()) return;
  const std::string* last = LastOn(drive);
  if (!Open(last != nullptr && !last->empty() ? *last : RootOf(drive)))
    throw Exception(std::string("Drive ") + drive + ": is not ready");
  if (onChange) onChange();
}

std::string* DirectoryListBox::LastOn(char drive) {
  return drive >= 'A' && drive <= 'Z' ? &lastOnDrive_[static_cast<std::size_t>(drive - 'A')]
                                      : nullptr;
}

bool DirectoryListBox::Open(const std::string& path) {
  const std::optional<std::string> folder = ExistingFolderAlong(path);
  if (!folder) return false;
  const char previousDrive = Drive();
  directory_ = *folder;
  if (std::string* last = LastOn(Drive())) *last = directory_;
  Fill();
  if (Drive() != previousDrive && onDriveShown) onDriveShown(Drive());
  return true;
}

void DirectoryListBox::Fill() {
  if (hwnd_ == nullptr) return;
  SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(hwnd_, LB_RESETCONTENT, 0, 0);
  // Item data is the line's depth: the root 0, the open folder the deepest of the path.
  auto add = [this](const std::string& text, LPARAM data) {
    const LRESULT index =
        SendMessageA(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(hwnd_, LB_SETITEMDATA, static_cast<WPARAM>(index), data);
  };
  add(RootOf(Drive()), 0);
  const std::vector<std::string> parts = PartsBelowRoot(directory_);
  for (size_t i = 0; i < parts.size(); ++i) add(parts[i], static_cast<LPARAM>(i + 1));
  const auto subfolderDepth = static_cast<LPARAM>(parts.size() + 1);
  for (const std::string& name : SubfoldersOf(directory_))
    add(name, subfolderDepth | kSubfolderEntry);
  SendMessageA(hwnd_, LB_SETCURSEL, parts.size(), 0);
  SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void DirectoryListBox::OpenSelectedEntry() {
  const LRESULT index = SendMessageA(hwnd_, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return;
  const std::vector<std::string> parts = PartsBelowRoot(directory_);
  const auto entry = static_cast<size_t>(index);
  std::string target = RootOf(Drive());
  if (entry <= parts.size()) {
    for (size_t i = 0; i < entry; ++i) target = Join(target, parts[i]);
  } else {
    std::vector<char> name(static_cast<size_t>(SendMessageA(hwnd_, LB_GETTEXTLEN, entry, 0)) + 1);
    SendMessageA(hwnd_, LB_GETTEXT, entry, reinterpret_cast<LPARAM>(name.data()));
    target = Join(directory_, name.data());
  }
  Open(target);
}

void DirectoryListBox::HandleCommand(WORD code) {
  if (code == LBN_DBLCLK) OpenSelectedEntry();
  if ((code == LBN_DBLCLK || code == LBN_SELCHANGE) && onChange) onChange();
}

bool DirectoryListBox::HandleDrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT line = item.rcItem;
  FillRect(dc, &line, GetSysColorBrush(COLOR_WINDOW));
  if (item.itemID == static_cast<UINT>(-1)) return true;
  const auto data = static_cast<LPARAM>(item.itemData);
  const auto depth = static_cast<int>(data & ~kSubfolderEntry);
  const int left = line.left + Scaled(2 + depth * kIndentPerLevel);
  DrawFolderGlyph(dc, left, line.top, (data & kSubfolderEntry) == 0, Dpi());

  std::vector<char> text(static_cast<size_t>(SendMessageA(hwnd_, LB_GETTEXTLEN, item.itemID, 0)) +
                         1);
  SendMessageA(hwnd_, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.data(), lstrlenA(text.data()), &extent);
  RECT label{left + Scaled(19), line.top, std::min<LONG>(left + Scaled(23) + extent.cx, line.right),
             line.bottom};
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &label, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT textArea = label;
  textArea.left += Scaled(2);
  DrawTextA(dc, text.data(), -1, &textArea, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(dc, &label);
  return true;
}

}  // namespace gui
