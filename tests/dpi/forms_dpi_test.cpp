// Every form at 150 % (its ctest entry sets the prefix's LogPixels to 144): rectangles
// against the layout tables, never text widths, which Wine's fonts do not scale exactly.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "application.h"
#include "s_lang.h"
#include "s_lang_ids.h"
#include "text_fit.h"
#include "u_directorydlg.h"
#include "u_setup.h"
#include "u_splash.h"
#include "u_uninstall.h"

namespace {

class LaidOutSetup : public TFSetup {  // the wizard's layout without its archive
  void FormCreate() override {}
};

// The small icon's width and the design font's height.
std::pair<int, int> IconAndFont(const gui::Form& form) {
  ICONINFO icon{};  // an icon's hot spot is its centre
  LOGFONTA font{};
  GetIconInfo(reinterpret_cast<HICON>(SendMessageA(form.hwnd(), WM_GETICON, ICON_SMALL, 0)), &icon);
  DeleteObject(icon.hbmMask);
  DeleteObject(icon.hbmColor);
  GetObjectA(form.font(), sizeof font, &font);
  return {static_cast<int>(icon.xHotspot * 2), font.lfHeight};
}

// Every control below `parent` where its table line puts it at `dpi` (within 2 pixels)
// and inside its parent; the right edge of `textSized` follows its text.
void ExpectControlsAt(const gui::Form& form, HWND parent, int dpi, const char* textSized) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ExpectControlsAt(form, child, dpi, textSized);
    // A drop-down's own edit and list windows belong to no table line.
    gui::Window* window = gui::Window::FromHandle(child);
    const gui::Control* control = window != nullptr ? window->AsControl() : nullptr;
    if (control == nullptr) continue;
    const RECT design = control->DesignRect();
    RECT place{}, inside{}, area{0, 0, form.clientWidth(), form.clientHeight()};
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    auto fits = [dpi](LONG got, LONG designed) {
      return std::abs(got - designed * dpi / 96.0) <= 2;
    };
    EXPECT_TRUE(fits(place.left, design.left) && fits(place.top, design.top) &&
                fits(place.bottom, design.bottom) &&
                (control->name() == textSized || fits(place.right, design.right)))
        << form.name() << "." << control->name();
    // Wine keeps the frame after a change sent by hand: the form's area is its design's.
    if (parent != form.hwnd()) GetClientRect(parent, &area);
    IntersectRect(&inside, &place, &area);
    EXPECT_TRUE(EqualRect(&inside, &place)) << control->name() << " lies outside its parent";
  }
}

// At the screen's 144 dpi: client area, controls, font and icon 1.5 times the design's.
// Then a move to a 96 dpi monitor as Windows reports it: the form tells its size, takes
// the suggested rectangle and lays its controls out at the design's pixels.
void ExpectScalesWithItsMonitor(const gui::Form& form, SIZE design, const char* textSized = "") {
  RECT client{}, before{}, after{};
  GetClientRect(form.hwnd(), &client);
  EXPECT_NEAR(client.right, design.cx * 1.5, 2) << form.name();
  EXPECT_NEAR(client.bottom, design.cy * 1.5, 2) << form.name();
  ExpectControlsAt(form, form.hwnd(), 144, textSized);
  EXPECT_EQ(IconAndFont(form), std::make_pair(24, -17)) << form.name();
  SIZE outer{};
  ASSERT_TRUE(SendMessageA(form.hwnd(), gui::kWmGetDpiScaledSize, 96, LPARAM(&outer)));
  GetWindowRect(form.hwnd(), &before);
  const RECT suggested{before.left + 40, before.top + 30, before.left + 40 + outer.cx,
                       before.top + 30 + outer.cy};
  SendMessageA(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), LPARAM(&suggested));
  GetWindowRect(form.hwnd(), &after);
  EXPECT_TRUE(EqualRect(&after, &suggested)) << form.name() << " takes the suggested place";
  ExpectControlsAt(form, form.hwnd(), 96, textSized);
  EXPECT_EQ(IconAndFont(form), std::make_pair(16, -11)) << form.name();
}

// Every text of the four forms in both languages, at 150 % and once moved to 100 %:
// each fits its control on one line, measured with the control's own font (Wine's
// substitutes for the design's face here).
TEST(FormsAt150Percent, EveryTextFitsItsControlInBothLanguages) {
  ASSERT_EQ(gui::WindowDpi(nullptr), 144) << "run by ctest, which sets TDM_WINE_DPI";
  for (const std::uint32_t language : {kLanguageGerman, kLanguageEnglish}) {
    TFSplash splash;
    splash.Create();  // which takes the user's language
    CLang::SetLanguage(language);
    LaidOutSetup setup;
    setup.Create();
    setup.CreatePendingControls();
    TFSelectDirectory dialog;
    dialog.Create();
    CProductLock lock;
    TFUninstall uninstaller(uninstall::Installation{}, lock);
    uninstaller.Create();
    for (const int dpi : {144, 96}) {
      // Each state's texts in turn: the wizard's Next and its Start!, the uninstaller's
      // status, its end in failure and in success, and its Finished!.
      for (const std::uint32_t status : {109u, 106u, 107u}) {
        setup.wizardStep = status == 109 ? 0 : 2;
        setup.UpdateWizardTexts();
        dialog.UpdateDialogTexts();
        uninstaller.lbl_progress.SetText(CLang::GetText(status));
        splash.lbl_info.SetText(CLang::GetText(kMsgPleaseWait));
        uninstaller.Button1.SetText(CLang::GetText(status == 109 ? kMsgStart : kMsgFinished));
        for (const gui::Form* form :
             std::initializer_list<const gui::Form*>{&setup, &dialog, &splash, &uninstaller})
          EXPECT_THAT(text_fit::TextsThatDoNotFit(form->hwnd()), ::testing::IsEmpty())
              << form->name() << " at " << dpi << " dpi, language " << language;
      }
      if (dpi == 96) break;
      for (gui::Form* form :
           std::initializer_list<gui::Form*>{&setup, &dialog, &splash, &uninstaller}) {
        SIZE outer{};
        SendMessageA(form->hwnd(), gui::kWmGetDpiScaledSize, 96, LPARAM(&outer));
        RECT at{};
        GetWindowRect(form->hwnd(), &at);
        const RECT suggested{at.left, at.top, at.left + outer.cx, at.top + outer.cy};
        SendMessageA(form->hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), LPARAM(&suggested));
      }
    }
    gui::Application::Instance().DestroyForms();
  }
}

TEST(FormsAt150Percent, TheWizardTheDirectoryDialogThePreparationWindowAndTheUninstaller) {
  ASSERT_EQ(gui::WindowDpi(nullptr), 144) << "run by ctest, which sets TDM_WINE_DPI";
  LaidOutSetup setup;
  setup.Create();
  // The pages after the first are made once the wizard is shown: at its DPI, as here.
  setup.CreatePendingControls();
  ASSERT_NE(setup.Edit1.hwnd(), nullptr);
  ExpectScalesWithItsMonitor(setup, {363, 403});
  TFSelectDirectory dialog;
  dialog.Create();
  ExpectScalesWithItsMonitor(dialog, {384, 378}, "Label1");
  TFSplash splash;
  splash.Create();
  ExpectScalesWithItsMonitor(splash, {335, 99});
  CProductLock lock;
  TFUninstall uninstaller(uninstall::Installation{}, lock);
  uninstaller.Create();
  ExpectScalesWithItsMonitor(uninstaller, {363, 265});
  gui::Application::Instance().DestroyForms();
}

}  // namespace
