#include "u_directorydlg.h"

#include <array>
#include <cstdint>
#include <optional>

#include "application.h"
#include "archive_walk.h"
#include "catalogue_text.h"
#include "control_ids.h"
#include "directory_rules.h"
#include "disk_figures.h"
#include "gui_exception.h"
#include "s_monitor_win.h"
#include "u_setup.h"

using setup::Msg;

TFSelectDirectory* FSelectDirectory = nullptr;

namespace {

constexpr gui::FormDesign kDesign{
    "FSelectDirectory",           "", 384, 378, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
    {"MS Sans Serif", -11, false}};

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
  RECT box{};
  GetWindowRect(label.hwnd(), &box);
  SetWindowPos(label.hwnd(), nullptr, 0, 0, extent.cx, box.bottom - box.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void TFSelectDirectory::Create() {
  gui::Application::Instance().CreateForm(*this, kDesign);
}

void TFSelectDirectory::Prepare() {
  preparedDirectory_ = FSetup != nullptr ? FSetup->Edit1.Text() : std::string();
  prepared_ = true;
}

int TFSelectDirectory::Open() {
  if (hwnd() == nullptr) Create();
  return ShowModal();
}

void TFSelectDirectory::BindHandlers() {
  DirectoryListBox1.onChange = [this] { DirectoryListBox1Change(); };
  DriveComboBox1.onChange = [this] { DriveComboBox1Change(); };
  Button1.onClick = [this] { Button1Click(); };
  Button2.onClick = [this] { Button2Click(); };
}

void TFSelectDirectory::FormCreate() {
  BindHandlers();
  const SIZE size = OuterSize();
  const POINT at = CenterOnPrimaryMonitor(size.cx, size.cy);
  MoveTo(at.x, at.y);

  archive::SetupHeader header;
  if (FSetup != nullptr && archive::ReadHeader(FSetup->segments[0], header) &&
      header.installDirSuffix != nullptr)
    installDirSuffix_ = header.installDirSuffix;

  // The dialog copies the wizard's field this once; later it only writes it.
  const std::string directory = prepared_           ? preparedDirectory_
                                : FSetup != nullptr ? FSetup->Edit1.Text()
                                                    : std::string();
  Edit1.SetText(directory);
  const std::string folder = setup::FolderToOpen(directory, installDirSuffix_);
  DirectoryListBox1.SetDirectory(folder);
  DriveComboBox1.LinkTo(DirectoryListBox1);
  UpdateDialogTexts();
}

void TFSelectDirectory::UpdateDialogTexts() {
  if (hwnd() == nullptr) return;  // prepared only: the opening binds them
  SetText(Msg(kMsgChooseDirectory));
  Button1.SetText(Msg(kMsgOk));
  Button2.SetText(Msg(kMsgCancel));
  Label1.SetText(Msg(kMsgInstallDirectory));
  SizeToText(Label1);

  lbl_neededmem_caption.SetText(Msg(kMsgRequiredSpace));
  lbl_availmem_caption.SetText(Msg(kMsgAvailableSpace));
  // The wizard's own computation, so the two cannot disagree.
  std::array<std::uint32_t, 3> bodies{};
  if (FSetup != nullptr) bodies = FSetup->BodyLengths();
  const setup::DiskFigures figures = setup::DiskFiguresOf(bodies, Edit1.Text());
  lbl_neededmem.SetText(figures.required);
  lbl_availmem.SetText(figures.available);
}

void TFSelectDirectory::DirectoryListBox1Change() {
  Edit1.SetText(setup::ProposedDirectory(DirectoryListBox1.Directory(), installDirSuffix_));
}

void TFSelectDirectory::DriveComboBox1Change() {
  UpdateDialogTexts();
}

void TFSelectDirectory::Button1Click() {
  // The character test of an empty text is the class library's range error; the
  // dialog stays open and the wizard's field keeps its text.
  const std::optional<std::string> directory = setup::ConfirmedDirectory(Edit1.Text());
  if (!directory) throw gui::ERangeError();
  if (FSetup != nullptr) FSetup->Edit1.SetText(*directory);
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
    case WM_DPICHANGED: {
      // The label goes back to its designed width with the new DPI; its text's is wanted.
      const LRESULT result = gui::Form::HandleMessage(message, wParam, lParam);
      SizeToText(Label1);
      return result;
    }
    default:
      break;
  }
  return gui::Form::HandleMessage(message, wParam, lParam);
}
