// Owns one GDI font for the life of the form that uses it.
#pragma once

#include <windows.h>

#include "dpi.h"

namespace gui {

struct FontSpec {
  const char* face = "MS Sans Serif";
  int height = -11;  // pixels at 96 dpi, negative: character height as the design gives it
  bool bold = false;
};

class Font {
 public:
  Font() = default;
  // The design's height scaled from 96 to `dpi`.
  explicit Font(const FontSpec& design, int dpi = kDesignDpi);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  Font(Font&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  Font& operator=(Font&& other) noexcept;

  HFONT handle() const { return handle_; }

 private:
  HFONT handle_ = nullptr;
};

}  // namespace gui
