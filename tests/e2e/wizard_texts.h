// The captions the wizard binds in the current language, control by control, as
// Windows-1252 bytes, German first.
#pragma once

#include <vector>

#include "setup_run.h"

namespace e2e {

struct BoundCaption {
  const char* control;
  Texts text;
};

inline const std::vector<BoundCaption>& BoundCaptions() {
  static const std::vector<BoundCaption> captions = {
      {"Label3", {"Bitte w\xE4hlen Sie eine Sprache:", "Please choose a language:"}},
      {"Label4", {"Installations-Verzeichnis:", "Installation directory:"}},
      {"Label5", {"Status:", "Progress:"}},
      {"Label6",
       {"Die Installation wurde erfolgreich abgeschlossen.",
        "Installation was successful finished."}},
      {"Label7",
       {"W\xE4hrend der Installation ist ein Fehler aufgetreten.",
        "An error occured while installation."}},
      {"Label9", {"Name der Startmen\xFC-Gruppe:", "Name of start menu group:"}},
      {"lbl_disclaimer", {"Nutzungsbedingungen:", "Terms of use:"}},
      {"chk_disclaimer",
       {"&Ja, ich habe die Nutzungsbedingungen gelesen", "&Yes, I have read the terms of use"}},
      {"chk_disclaimer2",
       {"und verstanden und akzeptiere sie.", "and understand it and accept it."}},
      {"lbl_neededmem_caption", {"Ben\xF6tigter Plattenplatz:", "Required disk space:"}},
      {"lbl_availmem_caption", {"Verf\xFCgbarer Plattenplatz:", "Available disk space:"}},
      {"radio_current_user",
       {"Registrierung/Startmen\xFC-Eintrag f\xFCr aktuellen Nutzer",
        "register/start menu entry for current user"}},
      {"radio_all_users",
       {"Registrierung/Startmen\xFC-Eintrag f\xFCr alle Nutzer",
        "register/start menu entry for all users"}},
      {"CheckBox3", {"Symbol auf dem Desktop erstellen", "create icon on the desktop"}},
      {"CheckBox4", {"&Wichtige Informationen anzeigen", "&Show important informations"}},
      {"Button1", {"&Weiter >>", "&Next >>"}},
      {"Button2", {"A&bbrechen", "&Cancel"}},
      {"Button3",
       {"<< &Zur\xFC"
        "ck",
        "<< &Back"}},
  };
  return captions;
}

inline constexpr Texts kTextFinished{"&Fertig!", "&Finished!"};
inline constexpr char kTextStart[] = "&Start!";

}  // namespace e2e
