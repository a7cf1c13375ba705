// Whether every text of a form fits its control, measured in the form's process with
// each control's own font: what a translation or a DPI can push past a control's edge.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace text_fit {

// "name: needs W x H, has W x H" for every label, check box, radio button, push button
// and group box below `form` whose text is wider or taller than the room the control
// gives it (a check box's or radio button's glyph and gap taken off): on one line, or
// wrapped at blanks where the control wraps (owner-drawn labels, multi-line buttons).
std::vector<std::string> TextsThatDoNotFit(HWND form);

}  // namespace text_fit
