#include "font.h"

#include <cstring>

#include "dpi.h"

namespace gui {

Font::Font(const FontSpec& design, int dpi) {
  LOGFONTA log{};
  log.lfHeight = ScaleToDpi(design.height, dpi);
  log.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
  log.lfCharSet = DEFAULT_CHARSET;
  log.lfQuality = DEFAULT_QUALITY;
  strncpy_s(log.lfFaceName, sizeof log.lfFaceName, design.face, _TRUNCATE);
  handle_ = CreateFontIndirectA(&log);
}

Font::~Font() {
  if (handle_ != nullptr) DeleteObject(handle_);
}

Font& Font::operator=(Font&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

}  // namespace gui
