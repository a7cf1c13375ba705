#include "u_directorydlg.h"

#include <cstdint>
#include <string>

#include "application.h"
#include "archive_walk.h"
#include "catalogue_text.h"
#include "control_ids.h"
#include "gui_exception.h"
#include "s_monitor_win.h"
#include "u_setup.h"

using setup::Msg;

TFSelectDirectory* FSelectDirectory = nullptr;

namespace {

constexpr gui::FormDesign kDesign{
    "FSelectDirectory",           "", 384, 378, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
    {"MS Sans Serif", -11, false}};

std::string Megabytes(std::uint64_t figure) {
  return std::to_string(figure) + " MB";
}

// Free bytes of the whole volume, not the share a quota leaves the user; 0 when the
// query fails (no such volume, a text that is no drive path).
std::uint64_t FreeBytesOfVolume(const std::string& root) {
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) return 0;
  return free.QuadPart;
}

void SizeToText(gui::Label& label) {
  HDC dc = GetDC(label.hwnd());
  if (dc == nullptr) return;
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label.hwnd(), WM_GETFONT, 0, 0)));
  const std::string text = label.Text();
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, previous);
  ReleaseDC(label.hwnd(), dc);
  SetWindowPos(label.hwnd(), nullptr, 0, 0, extent.cx, 13,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void TFSelectDirectory::Create() {
  gui::Application::Instance().CreateForm(*this, kDesign,
                                          FSetup != nullptr ? FSetup->hwnd() : nullptr);
}

void TFSelectDirectory::BindHandlers() {
  DirectoryListBox1.onChange = [this] { DirectoryListBox1Change(); };
  DriveComboBox1.onChange = [this] { DriveComboBox1Change(); };
  Button1.onClick = [this] { Button1Click(); };
  Button2.onClick = [this] { Button2Click(); };
}

void TFSelectDirectory::FormCreate() {
  BindHandlers();
  const POINT at = CenterOnPrimaryMonitor(clientWidth(), clientHeight());
  MoveTo(at.x, at.y);

  archive::SetupHeader header;
  if (FSetup != nullptr && archive::ReadHeader(FSetup->segments[0], header) &&
      header.installDirSuffix != nullptr)
    installDirSuffix_ = header.installDirSuffix;

  // The dialog copies the wizard's field this once; later it only writes it.
  const std::string directory = FSetup != nullptr ? FSetup->Edit1.Text() : std::string();
  Edit1.SetText(directory);
  std::string folder = directory;
  if (!installDirSuffix_.empty()) {
    const size_t found = folder.find(installDirSuffix_);
    if (found != std::string::npos) folder.erase(found, installDirSuffix_.size());
  }
  DirectoryListBox1.SetDirectory(folder);
  DriveComboBox1.LinkTo(DirectoryListBox1);
  UpdateDialogTexts();
}

void TFSelectDirectory::UpdateDialogTexts() {
  SetText(Msg(kMsgChooseDirectory));
  Button1.SetText(Msg(kMsgOk));
  Button2.SetText(Msg(kMsgCancel));
  Label1.SetText(Msg(kMsgInstallDirectory));
  SizeToText(Label1);

  // The volume is the first three characters of the directory text, e.g. "C:\".
  const std::uint64_t freeBytes = FreeBytesOfVolume(Edit1.Text().substr(0, 3));

  lbl_neededmem_caption.SetText(Msg(kMsgRequiredSpace));
  lbl_availmem_caption.SetText(Msg(kMsgAvailableSpace));
  // The same figure as the wizard's: the bodies summed in 32 bits, whole MiB.
  std::uint32_t bodies = 0;
  if (FSetup != nullptr)
    bodies = FSetup->segments[0].length + FSetup->segments[1].length + FSetup->segments[2].length;
  lbl_neededmem.SetText(Megabytes(bodies >> 20));
  lbl_availmem.SetText(Megabytes(freeBytes / 1048576u));
}

void TFSelectDirectory::DirectoryListBox1Change() {
  std::string folder = DirectoryListBox1.Directory();
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  if (installDirSuffix_.empty() || folder.find(installDirSuffix_) != std::string::npos)
    Edit1.SetText(folder);
  else
    Edit1.SetText(folder + installDirSuffix_);
}

void TFSelectDirectory::DriveComboBox1Change() {
  UpdateDialogTexts();
}

void TFSelectDirectory::Button1Click() {
  std::string directory = Edit1.Text();
  // The character test of an empty text is the class library's range error; the
  // dialog stays open and the wizard's field keeps its text.
  if (directory.empty()) throw gui::ERangeError();
  if (directory.back() == '\\') directory.pop_back();
  if (FSetup != nullptr) FSetup->Edit1.SetText(directory);
  Close();
}

void TFSelectDirectory::Button2Click() {
  Close();
}

LRESULT TFSelectDirectory::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case DM_GETDEFID:
      // Enter presses OK wherever the focus is, as in a dialog.
      return MAKELRESULT(setup::ids::dir_Button1, DC_HASDEFID);
    case WM_COMMAND:
      // Esc arrives as IDCANCEL from the dialog manager, with no control behind it.
      if (LOWORD(wParam) == IDCANCEL && lParam == 0) {
        gui::Guarded([this] { Button2Click(); });
        return 0;
      }
      break;
    case WM_ACTIVATE:
      // The focus leaves with the dialog and comes back to the control that had it;
      // the first time to the folder list.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd(), focus)) lastFocus_ = focus;
      } else {
        ::SetFocus(lastFocus_ != nullptr && IsWindow(lastFocus_) ? lastFocus_
                                                                 : DirectoryListBox1.hwnd());
      }
      return 0;
    default:
      break;
  }
  return gui::Form::HandleMessage(message, wParam, lParam);
}
