// The arithmetic of centring a form on a work area, kept portable so it is tested
// natively.
#pragma once

#include <cstdint>

// (areaExtent - formExtent) / 2, truncated toward zero; computed wide so that no pair
// of 32-bit extents overflows, and the result always fits again.
constexpr int CenteredStart(int areaExtent, int formExtent) {
  return static_cast<int>((static_cast<std::int64_t>(areaExtent) - formExtent) / 2);
}
