// Stable control ids of the three forms. Tests outside the process find controls by
// these or by the name each window carries.
#pragma once

namespace setup::ids {

// Preparation window.
inline constexpr int lbl_info = 100;
inline constexpr int bar_progress = 101;

// Wizard, outside the pages.
inline constexpr int Label1 = 200;
inline constexpr int GroupBox1 = 201;
inline constexpr int PageControl1 = 202;
inline constexpr int Button1 = 203;
inline constexpr int Button2 = 204;
inline constexpr int Button3 = 205;
inline constexpr int Label2 = 206;
// Pages.
inline constexpr int TabSheet1 = 210;
inline constexpr int TabSheet2 = 211;
inline constexpr int TabSheet3 = 212;
inline constexpr int TabSheet4 = 213;
inline constexpr int TabSheet5 = 214;
inline constexpr int TabSheet6 = 215;
// Language page.
inline constexpr int Label3 = 220;
inline constexpr int box_language = 221;
// Terms page.
inline constexpr int lbl_disclaimer = 230;
inline constexpr int memo_disclaimer = 231;
inline constexpr int chk_disclaimer = 232;
inline constexpr int chk_disclaimer2 = 233;
// Settings page.
inline constexpr int Label4 = 240;
inline constexpr int Edit1 = 241;
inline constexpr int Button4 = 242;
inline constexpr int lbl_neededmem_caption = 243;
inline constexpr int lbl_neededmem = 244;
inline constexpr int lbl_availmem_caption = 245;
inline constexpr int lbl_availmem = 246;
inline constexpr int Label9 = 247;
inline constexpr int Edit2 = 248;
inline constexpr int radio_current_user = 249;
inline constexpr int radio_all_users = 250;
inline constexpr int CheckBox3 = 251;
// Progress, success and failure pages.
inline constexpr int Label5 = 260;
inline constexpr int ProgressBar1 = 261;
inline constexpr int lbl_progress = 262;
inline constexpr int Label6 = 263;
inline constexpr int CheckBox4 = 264;
inline constexpr int Label7 = 265;

// Directory dialog.
inline constexpr int dir_DirectoryListBox1 = 300;
inline constexpr int dir_DriveComboBox1 = 301;
inline constexpr int dir_Button1 = 302;
inline constexpr int dir_Button2 = 303;
inline constexpr int dir_Edit1 = 304;
inline constexpr int dir_Label1 = 305;
inline constexpr int dir_lbl_neededmem_caption = 306;
inline constexpr int dir_lbl_neededmem = 307;
inline constexpr int dir_lbl_availmem_caption = 308;
inline constexpr int dir_lbl_availmem = 309;

}  // namespace setup::ids
