// TFSplash: the preparation window shown while the wizard loads and checks its
// archive. Its creation picks the installer's first language.
#pragma once

#include <cstdint>

#include "controls.h"
#include "font.h"
#include "form.h"

class TFSplash : public gui::Form {
 public:
  void Create();  // owned by the application, not its main form

  gui::Label lbl_info;
  gui::ProgressBar bar_progress;

  // The language a user default language identifier selects: German (0) for German
  // as used in Germany, Switzerland, Austria, Luxembourg and Liechtenstein, else
  // English (1).
  static std::uint32_t LanguageFor(std::uint16_t langId);

 protected:
  void CreateControls() override;
  void FormCreate() override;

 private:
  gui::Font infoFont_;
};

extern TFSplash* FSplash;
