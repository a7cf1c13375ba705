// The preparation window's bar during the checksum, recorded from the bar's own
// messages while the wizard checks bodies a test sets.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "application.h"
#include "message_box.h"
#include "u_setup.h"
#include "u_splash.h"

namespace gui {
std::vector<std::string> shownBoxes;
int ShowMessageBox(HWND, const char* text, const char*, UINT) {
  shownBoxes.emplace_back(text != nullptr ? text : "");
  return IDOK;
}
}  // namespace gui

namespace {

using Values = std::vector<std::uint32_t>;
struct BarMessages {
  Values positions, maxima;
};

LRESULT CALLBACK RecordBar(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                           DWORD_PTR data) {
  auto* seen = reinterpret_cast<BarMessages*>(data);
  if (message == PBM_SETPOS) seen->positions.push_back(static_cast<std::uint32_t>(w));
  if (message == PBM_SETRANGE32) seen->maxima.push_back(static_cast<std::uint32_t>(l));
  return DefSubclassProc(window, message, w, l);
}

class CheckingWizard : public TFSetup {
 public:
  using TFSetup::VerifyArchiveChecksum;
};

// All-zero bodies sum to 0, as do the stored sums of a wizard without resources, so
// the check passes and only the bar is looked at.
BarMessages Check(const Values& lengths) {
  static const std::uint8_t empty = 0;
  std::vector<std::vector<std::uint8_t>> bodies;
  CheckingWizard wizard;
  for (std::size_t n = 0; n < lengths.size(); ++n) {
    bodies.emplace_back(lengths[n], std::uint8_t{0});
    wizard.segments[n] = {lengths[n] != 0 ? bodies[n].data() : &empty, lengths[n]};
  }
  BarMessages seen;
  const HWND bar = FSplash->bar_progress.hwnd();
  SetWindowSubclass(bar, RecordBar, 1, reinterpret_cast<DWORD_PTR>(&seen));
  EXPECT_TRUE(wizard.VerifyArchiveChecksum());
  RemoveWindowSubclass(bar, RecordBar, 1);
  EXPECT_TRUE(gui::shownBoxes.empty());
  return seen;
}

TEST(SplashProgress, Table) {
  gui::Application::Instance().Initialize();
  static TFSplash splash;
  FSplash = &splash;
  splash.Create();
  // The first 0 is the reset before the sum; a length that is a multiple of 10 moves
  // the bar ten times, any other eleven, never to the end; an empty segment adds none.
  const struct {
    Values lengths;
    std::uint32_t maximum;
    Values positions;  // empty: only the count and the last are checked
    std::size_t count;
    std::uint32_t last;
  } rows[] = {
      {{100}, 100, {}, 11, 90},
      {{95}, 95, {}, 12, 90},
      {{90}, 90, {}, 11, 81},
      {{91}, 91, {}, 12, 90},
      {{99}, 99, {}, 12, 90},
      {{100, 0, 95}, 195, {}, 22, 190},
      {{16651315}, 16651315, {}, 12, 16651310},  // beyond sixteen bits
      {{90, 0, 91},
       181,
       {0,  0,  9,   18,  27,  36,  45,  54,  63,  72,  81,
        90, 99, 108, 117, 126, 135, 144, 153, 162, 171, 180},
       22,
       180},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.lengths[0]);
    const BarMessages seen = Check(row.lengths);
    EXPECT_EQ(seen.maxima, Values{row.maximum});
    if (!row.positions.empty()) {
      EXPECT_EQ(seen.positions, row.positions);
    }
    EXPECT_EQ(seen.positions.size(), row.count);
    EXPECT_EQ(seen.positions.empty() ? 0 : seen.positions.back(), row.last);
  }
}

}  // namespace
