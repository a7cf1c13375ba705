// The wizard's layout: every control's place, font, alignment and tab order at 96
// dots per inch; the form scales them to its monitor's. Controls are created in table order, which
// is also the order the tab key walks within each page.
#include <windows.h>

#include "control_ids.h"
#include "u_setup.h"

using gui::Align;
namespace ids = setup::ids;

void TFSetup::CreateControls() {
  HFONT plain = font();
  HFONT bold = FormFont({"MS Sans Serif", -11, true});
  HFONT banner = FormFont({"Tahoma", -11, false});
  HFONT memo = FormFont({"Courier New", -11, false});

  // Outside the pages; Button1 first in tab order.
  Button1.Create({"Button1", ids::Button1, this, 240, 344, 105, 25, bold, Align::Center, 0});
  Button2.Create({"Button2", ids::Button2, this, 16, 344, 105, 25, bold, Align::Center, 1});
  Button3.Create({"Button3", ids::Button3, this, 128, 344, 105, 25, bold, Align::Center, 2});
  Label1.Create({"Label1", ids::Label1, this, 16, 24, 329, 13, bold, Align::Center});
  Label2.Create({"Label2", ids::Label2, this, 16, 383, 331, 14, banner, Align::Center});
  GroupBox1.Create({"GroupBox1", ids::GroupBox1, this, 16, 48, 329, 281, plain});
  // The page control and its pages take no tab stop; Tab walks into the shown page.
  PageControl1.Create({"PageControl1", ids::PageControl1, &GroupBox1, 8, 16, 313, 257, bold});

  struct Page {
    gui::Panel& page;
    const char* name;
    int id;
  };
  const Page pages[] = {
      {TabSheet1, "TabSheet1", ids::TabSheet1}, {TabSheet2, "TabSheet2", ids::TabSheet2},
      {TabSheet3, "TabSheet3", ids::TabSheet3}, {TabSheet4, "TabSheet4", ids::TabSheet4},
      {TabSheet5, "TabSheet5", ids::TabSheet5}, {TabSheet6, "TabSheet6", ids::TabSheet6}};
  for (const Page& p : pages) {
    p.page.Create({p.name, p.id, &PageControl1, 4, 4, 305, 249, bold});
    p.page.Hide();
    // The wizard opens on the first page; the others are made once it is on screen.
    if (&p.page != &TabSheet1) CreateLater(p.page);
  }

  Label3.Create({"Label3", ids::Label3, &TabSheet1, 0, 96, 305, 13, bold, Align::Center});
  box_language.Create(
      {"box_language", ids::box_language, &TabSheet1, 48, 128, 209, 21, bold, Align::Left, 0});

  lbl_disclaimer.Create({"lbl_disclaimer", ids::lbl_disclaimer, &TabSheet6, 0, 0, 305, 13, bold});
  // The check box holds two lines, where a translation needs them (German does).
  memo_disclaimer.Create(
      {"memo_disclaimer", ids::memo_disclaimer, &TabSheet6, 0, 16, 305, 183, memo, Align::Left, 0});
  chk_disclaimer.Create(
      {"chk_disclaimer", ids::chk_disclaimer, &TabSheet6, 0, 204, 305, 28, bold, Align::Left, 1});
  chk_disclaimer2.Create(
      {"chk_disclaimer2", ids::chk_disclaimer2, &TabSheet6, 20, 232, 273, 13, bold});

  // Settings page, in tab order: Edit1, Button4, Edit2, CheckBox3, the two scopes.
  Label4.Create({"Label4", ids::Label4, &TabSheet2, 0, 0, 305, 13, bold, Align::Center});
  Edit1.Create({"Edit1", ids::Edit1, &TabSheet2, 8, 24, 249, 21, bold, Align::Left, 0});
  Button4.Create({"Button4", ids::Button4, &TabSheet2, 264, 22, 33, 25, bold, Align::Center, 1});
  Edit2.Create({"Edit2", ids::Edit2, &TabSheet2, 8, 120, 289, 21, bold, Align::Left, 2});
  CheckBox3.Create(
      {"CheckBox3", ids::CheckBox3, &TabSheet2, 8, 216, 289, 17, plain, Align::Left, 3});
  // The scopes to the page's edge, the first with a second line where it needs one.
  radio_current_user.Create({"radio_current_user", ids::radio_current_user, &TabSheet2, 8, 160, 297,
                             28, plain, Align::Left, 4});
  radio_all_users.Create({"radio_all_users", ids::radio_all_users, &TabSheet2, 8, 192, 297, 17,
                          plain, Align::Left, 5});
  lbl_neededmem_caption.Create({"lbl_neededmem_caption", ids::lbl_neededmem_caption, &TabSheet2, 8,
                                48, 145, 13, plain, Align::Right});
  lbl_neededmem.Create({"lbl_neededmem", ids::lbl_neededmem, &TabSheet2, 160, 48, 97, 13, plain});
  lbl_availmem_caption.Create({"lbl_availmem_caption", ids::lbl_availmem_caption, &TabSheet2, 8, 64,
                               145, 13, plain, Align::Right});
  lbl_availmem.Create({"lbl_availmem", ids::lbl_availmem, &TabSheet2, 160, 64, 97, 13, plain});
  Label9.Create({"Label9", ids::Label9, &TabSheet2, 0, 96, 305, 13, bold, Align::Center});

  Label5.Create({"Label5", ids::Label5, &TabSheet3, 0, 96, 305, 13, bold, Align::Center});
  ProgressBar1.Create(
      {"ProgressBar1", ids::ProgressBar1, &TabSheet3, 0, 120, 305, 16, bold, Align::Left, 0});
  lbl_progress.Create({"lbl_progress", ids::lbl_progress, &TabSheet3, 0, 144, 305, 13, plain});

  // The final pages' lines may wrap into a second line.
  Label6.Create({"Label6", ids::Label6, &TabSheet4, 0, 80, 305, 28, bold, Align::Center});
  CheckBox4.Create(
      {"CheckBox4", ids::CheckBox4, &TabSheet4, 8, 128, 289, 17, bold, Align::Left, 0});

  Label7.Create({"Label7", ids::Label7, &TabSheet5, 0, 112, 305, 28, bold, Align::Center});

  // Initial states of the design.
  Button4.SetText(">>");  // the same in both languages
  box_language.AddItem("Deutsch");
  box_language.AddItem("English");
  radio_current_user.SetChecked(true);
  CheckBox3.SetChecked(true);
  CheckBox4.SetChecked(true);
}
