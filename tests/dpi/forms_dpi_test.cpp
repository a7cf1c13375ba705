// Every form at 150 %: the prefix's screen is at 144 dpi (LogPixels, set by this test's
// ctest entry). The rectangles are compared with the layout tables, never text widths,
// which Wine's substituted fonts do not scale exactly.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "application.h"
#include "u_directorydlg.h"
#include "u_setup.h"
#include "u_splash.h"
#include "u_uninstall.h"

namespace {

constexpr int kScreenDpi = 144;

// The wizard's layout without its archive.
class LaidOutSetup : public TFSetup {
 protected:
  void FormCreate() override {}
};

RECT PlaceInParent(HWND window) {
  RECT place{};
  GetWindowRect(window, &place);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

int FontHeight(HFONT font) {
  LOGFONTA log{};
  GetObjectA(font, sizeof log, &log);
  return log.lfHeight;
}

int SmallIconSize(HWND window) {
  ICONINFO info{};
  auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
  if (icon == nullptr || !GetIconInfo(icon, &info)) return 0;
  BITMAP mask{};
  GetObjectA(info.hbmMask, sizeof mask, &mask);
  DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  return mask.bmWidth;
}

// Every control of `form` where its layout table line puts it at `dpi`, within two
// pixels, and inside its parent; `textSized` controls are sized to their text.
void ExpectControlsAt(gui::Form& form, int dpi, const std::set<std::string>& textSized = {}) {
  std::vector<HWND> children;
  EnumChildWindows(
      form.hwnd(),
      [](HWND child, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  const double scale = dpi / 96.0;
  int checked = 0;
  for (HWND child : children) {
    // A drop-down's own edit and list windows belong to no table line.
    const auto* control = dynamic_cast<gui::Control*>(gui::Window::FromHandle(child));
    if (control == nullptr) continue;
    ++checked;
    const RECT design = control->DesignRect(), place = PlaceInParent(child);
    const std::string name = form.name() + "." + control->name();
    EXPECT_NEAR(place.left, design.left * scale, 2) << name;
    EXPECT_NEAR(place.top, design.top * scale, 2) << name;
    EXPECT_NEAR(place.bottom, design.bottom * scale, 2) << name;
    if (!textSized.contains(control->name())) {
      EXPECT_NEAR(place.right, design.right * scale, 2) << name;
    }
    // Wine keeps the frame of the screen's DPI after a change sent by hand: the form's
    // own area is its client size at the new DPI.
    RECT parent{0, 0, form.clientWidth(), form.clientHeight()};
    if (GetParent(child) != form.hwnd()) GetClientRect(GetParent(child), &parent);
    EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= parent.right &&
                place.bottom <= parent.bottom)
        << name << " lies outside its parent";
  }
  EXPECT_GT(checked, 0) << form.name();
}

// At the screen's DPI: client area, controls, fonts and icon 1.5 times the design's.
// Then a move to a 96 dpi monitor, as Windows reports it: the form asks its size,
// takes the suggested rectangle and lays its controls out at the design's pixels.
void ExpectScalesWithItsMonitor(gui::Form& form, SIZE design,
                                const std::set<std::string>& textSized = {}) {
  RECT client{};
  GetClientRect(form.hwnd(), &client);
  EXPECT_NEAR(client.right, design.cx * 1.5, 2) << form.name();
  EXPECT_NEAR(client.bottom, design.cy * 1.5, 2) << form.name();
  ExpectControlsAt(form, kScreenDpi, textSized);
  EXPECT_EQ(FontHeight(form.font()), -17) << form.name() << ": -11 at 150 %";
  EXPECT_EQ(SmallIconSize(form.hwnd()), 24) << form.name();

  SIZE outer{};
  ASSERT_TRUE(
      SendMessageA(form.hwnd(), gui::kWmGetDpiScaledSize, 96, reinterpret_cast<LPARAM>(&outer)));
  RECT before{};
  GetWindowRect(form.hwnd(), &before);
  EXPECT_LT(outer.cx, before.right - before.left);
  const RECT suggested{before.left + 40, before.top + 30, before.left + 40 + outer.cx,
                       before.top + 30 + outer.cy};
  SendMessageA(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96),
               reinterpret_cast<LPARAM>(&suggested));
  RECT after{};
  GetWindowRect(form.hwnd(), &after);
  EXPECT_TRUE(EqualRect(&after, &suggested)) << form.name() << " takes the suggested rectangle";
  EXPECT_EQ(std::make_pair(form.clientWidth(), form.clientHeight()),
            std::make_pair(int{design.cx}, int{design.cy}));
  ExpectControlsAt(form, 96, textSized);
  EXPECT_EQ(FontHeight(form.font()), -11) << form.name();
  EXPECT_EQ(SmallIconSize(form.hwnd()), 16) << form.name();
}

// Centred on the primary monitor's work area by the size it has at this DPI.
void ExpectCentred(const gui::Form& form) {
  RECT area{}, place{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(form.hwnd(), &place);
  EXPECT_NEAR(place.left + place.right, area.right - area.left, 2) << form.name();
  EXPECT_NEAR(place.top + place.bottom, area.bottom - area.top, 2) << form.name();
}

class FormsAt150Percent : public ::testing::Test {
 protected:
  void SetUp() override {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, kScreenDpi) << "run through ctest, which sets TDM_WINE_DPI";
  }
  void TearDown() override { gui::Application::Instance().DestroyForms(); }
};

TEST_F(FormsAt150Percent, TheWizard) {
  LaidOutSetup setup;
  setup.Create();
  ExpectScalesWithItsMonitor(setup, {363, 403});
}

TEST_F(FormsAt150Percent, TheDirectoryDialogThePreparationWindowAndTheUninstaller) {
  TFSelectDirectory dialog;
  dialog.Create();
  ExpectCentred(dialog);
  ExpectScalesWithItsMonitor(dialog, {384, 378}, {"Label1"});
  TFSplash splash;
  splash.Create();
  ExpectCentred(splash);
  ExpectScalesWithItsMonitor(splash, {335, 99});
  TFUninstall uninstaller(uninstall::Installation{});
  uninstaller.Create();
  ExpectScalesWithItsMonitor(uninstaller, {363, 265});
}

}  // namespace
