// TFSplash: the preparation window shown while the wizard loads and checks its
// archive. Its creation picks the installer's first language.
#pragma once

#include <cstdint>

#include "controls.h"
#include "form.h"

class TFSplash : public gui::Form {
 public:
  void Create();  // owned by the application, not its main form

  gui::Label lbl_info;
  gui::ProgressBar bar_progress;

 protected:
  void CreateControls() override;
  void FormCreate() override;
};

extern TFSplash* FSplash;
