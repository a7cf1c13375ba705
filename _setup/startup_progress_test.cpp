// The preparation window's progress bar during the checksum, watched in-process: the
// wizard's check runs on bodies a test sets, and every position it gives the bar is
// recorded from the bar's own messages.
#include <windows.h>

#include <commctrl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "application.h"
#include "message_box.h"
#include "u_setup.h"
#include "u_splash.h"

// No box may stop an unattended test; the check here has nothing to refuse anyway.
namespace gui {
std::vector<std::string> shownBoxes;
int ShowMessageBox(HWND, const char* text, const char*, UINT) {
  shownBoxes.emplace_back(text != nullptr ? text : "");
  return IDOK;
}
}  // namespace gui

namespace {

using ::testing::ElementsAreArray;

struct BarMessages {
  std::vector<std::uint32_t> positions;
  std::vector<std::uint32_t> maxima;
};

LRESULT CALLBACK RecordBar(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR data) {
  auto* seen = reinterpret_cast<BarMessages*>(data);
  if (message == PBM_SETPOS) seen->positions.push_back(static_cast<std::uint32_t>(wParam));
  if (message == PBM_SETRANGE32) seen->maxima.push_back(static_cast<std::uint32_t>(lParam));
  return DefSubclassProc(window, message, wParam, lParam);
}

// The wizard without its window: only the check runs, on the bodies given.
class CheckingWizard : public TFSetup {
 public:
  using TFSetup::VerifyArchiveChecksum;
};

class SplashProgress : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gui::Application::Instance().Initialize();
    FSplash = &splash_;
    splash_.Create();
  }

  // All-zero bodies: their sum is 0, as are the stored sums of a wizard that never
  // loaded resources, so the check passes and only the bar is looked at.
  BarMessages Check(const std::vector<std::uint32_t>& lengths) {
    bodies_.clear();
    for (std::uint32_t length : lengths) bodies_.emplace_back(length, std::uint8_t{0});
    CheckingWizard wizard;
    for (std::size_t n = 0; n < bodies_.size(); ++n)
      wizard.segments[n] = {bodies_[n].data() != nullptr ? bodies_[n].data() : &kEmpty, lengths[n]};
    BarMessages seen;
    const HWND bar = splash_.bar_progress.hwnd();
    SetWindowSubclass(bar, RecordBar, 1, reinterpret_cast<DWORD_PTR>(&seen));
    const bool passed = wizard.VerifyArchiveChecksum();
    RemoveWindowSubclass(bar, RecordBar, 1);
    EXPECT_TRUE(passed);
    EXPECT_TRUE(gui::shownBoxes.empty());
    return seen;
  }

  static inline TFSplash splash_;
  static inline const std::uint8_t kEmpty = 0;
  std::vector<std::vector<std::uint8_t>> bodies_;
};

TEST_F(SplashProgress, MaximumIsTheSumOfTheBodies) {
  const BarMessages seen = Check({100, 0, 95});
  EXPECT_THAT(seen.maxima, ElementsAreArray({195u}));
}

TEST_F(SplashProgress, MaximumBeyondSixteenBits) {
  const BarMessages seen = Check({16651315});
  EXPECT_THAT(seen.maxima, ElementsAreArray({16651315u}));
  // Not a multiple of 10: eleven points, the last one short of the maximum.
  EXPECT_EQ(seen.positions.size(), 1u + 11u);
  EXPECT_EQ(seen.positions.back(), 16651310u);
}

TEST_F(SplashProgress, LengthMultipleOfTenMovesTheBarTenTimes) {
  const BarMessages seen = Check({100});
  // The first 0 is the reset before the sum.
  EXPECT_THAT(seen.positions,
              ElementsAreArray({0u, 0u, 10u, 20u, 30u, 40u, 50u, 60u, 70u, 80u, 90u}));
}

TEST_F(SplashProgress, OtherLengthsMoveTheBarElevenTimes) {
  const BarMessages seen = Check({95});
  EXPECT_THAT(seen.positions,
              ElementsAreArray({0u, 0u, 9u, 18u, 27u, 36u, 45u, 54u, 63u, 72u, 81u, 90u}));
}

TEST_F(SplashProgress, NinetyBytesIsTheSmallestTenStepBody) {
  EXPECT_EQ(Check({90}).positions.size(), 1u + 10u);
  EXPECT_EQ(Check({91}).positions.size(), 1u + 11u);
  EXPECT_EQ(Check({99}).positions.size(), 1u + 11u);
}

TEST_F(SplashProgress, LaterSegmentsCountOnFromTheEarlierOnes) {
  // Segment 2 is present but empty: no point of its own.
  const BarMessages seen = Check({90, 0, 91});
  EXPECT_THAT(seen.positions,
              ElementsAreArray({0u,   0u,   9u,   18u,  27u,  36u,
                                45u,  54u,  63u,  72u,  81u,  // 90 bytes
                                90u,  99u,  108u, 117u, 126u, 135u,
                                144u, 153u, 162u, 171u, 180u}));  // 91 bytes, counted from 90
}

}  // namespace
