// The directory dialog's layout at 96 dots per inch, which the form scales to its
// monitor's. Controls are created in tab order; the labels take no focus.
#include <windows.h>

#include "control_ids.h"
#include "u_directorydlg.h"

using gui::Align;
namespace ids = setup::ids;

void TFSelectDirectory::CreateControls() {
  HFONT plain = font();
  HFONT bold = FormFont({"MS Sans Serif", -11, true});

  DirectoryListBox1.Create({"DirectoryListBox1", ids::dir_DirectoryListBox1, this, 16, 16, 209, 225,
                            plain, Align::Left, 0});
  DriveComboBox1.Create(
      {"DriveComboBox1", ids::dir_DriveComboBox1, this, 16, 256, 209, 19, plain, Align::Left, 1});
  Button1.Create({"Button1", ids::dir_Button1, this, 256, 16, 107, 25, bold, Align::Center, 2});
  Button2.Create({"Button2", ids::dir_Button2, this, 256, 64, 105, 25, bold, Align::Center, 3});
  Edit1.Create({"Edit1", ids::dir_Edit1, this, 16, 312, 345, 21, plain, Align::Left, 4});
  // Sized to its text: the widest caption of both languages fits.
  Label1.Create({"Label1", ids::dir_Label1, this, 16, 296, 345, 13, bold});
  lbl_neededmem_caption.Create({"lbl_neededmem_caption", ids::dir_lbl_neededmem_caption, this, 16,
                                336, 145, 13, plain, Align::Right});
  lbl_neededmem.Create({"lbl_neededmem", ids::dir_lbl_neededmem, this, 168, 336, 97, 13, plain});
  lbl_availmem_caption.Create({"lbl_availmem_caption", ids::dir_lbl_availmem_caption, this, 16, 352,
                               145, 13, plain, Align::Right});
  lbl_availmem.Create({"lbl_availmem", ids::dir_lbl_availmem, this, 168, 352, 97, 13, plain});

  // OK is the default button: drawn with the heavier frame, pressed by Enter.
  SendMessageA(Button1.hwnd(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}
