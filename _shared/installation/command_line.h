// The entry's reading of its own command line.
#pragma once

namespace setup {

// The command line without the program name: leading blanks and tabs skipped, then
// the program name (to the closing quote when it starts with one, else to the next
// blank or tab), then the blanks and tabs after it. Trailing blanks stay.
const char* CommandLineTail(const char* commandLine);

// True when the whole tail is "-debug", in any letter case.
bool IsDebugSwitch(const char* tail);

}  // namespace setup
