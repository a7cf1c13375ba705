// A picture of the whole screen, and a pause that lets a page paint before it.
#pragma once

#include <chrono>
#include <string>

namespace shot {

// Writes the screen as a 24-bit BMP file; false when the screen or the file fails.
bool SaveScreenshot(const std::string& path);
// Sleeps while this thread keeps its own messages flowing.
void Pause(std::chrono::milliseconds duration);

}  // namespace shot
