// A picture of the whole screen for looking into a failed end-to-end run.
#pragma once

#include <string>

namespace driver {

// Writes the screen as a 24-bit BMP file; false when the screen or the file fails.
bool SaveScreenshot(const std::string& path);

}  // namespace driver
