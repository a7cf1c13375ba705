// The updater's window at 100 % and, moved to a 150 % monitor, at 144 dpi, in both
// languages: every text fits its control, measured with the control's own font.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "application.h"
#include "form.h"
#include "s_lang.h"
#include "size_text.h"
#include "text_fit.h"
#include "u_updater.h"
#include "updater_msg_ids.h"

namespace {

TEST(UpdaterForm, EveryTextFitsItsControlInBothLanguages) {
  for (const std::uint32_t language : {kLanguageGerman, kLanguageEnglish}) {
    CLang::SetLanguage(language);
    TFUpdater form(
        updater::Installation{"C:\\Tidemoor", false, language, "Tidemoor", true, {0, 807}},
        updater::UpdaterCommand{}, false);
    form.Create();
    for (const int dpi : {96, 144}) {
      // The widest figures a download shows, and Close in its Cancel form.
      form.lbl_size.SetText(
          updater::TransferLine(1023 * 1024 + 900, 1023 * 1024 * 1024, 900 * 1024, 1000));
      form.lbl_server.SetText("updates.tidemoor.example.com");
      for (const std::uint32_t close : {kMsgClose, kMsgCancel}) {
        form.btn_close.SetText(CLang::GetText(close));
        EXPECT_THAT(text_fit::TextsThatDoNotFit(form.hwnd()), ::testing::IsEmpty())
            << "at " << dpi << " dpi, language " << language;
      }
      SIZE outer{};
      SendMessageA(form.hwnd(), gui::kWmGetDpiScaledSize, 144, LPARAM(&outer));
      RECT at{};
      GetWindowRect(form.hwnd(), &at);
      const RECT suggested{at.left, at.top, at.left + outer.cx, at.top + outer.cy};
      SendMessageA(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), LPARAM(&suggested));
    }
    gui::Application::Instance().DestroyForms();
  }
}

}  // namespace
