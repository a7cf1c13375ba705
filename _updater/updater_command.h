// updater.exe's command line: /S (no window), -debug (the log in %TEMP%), and
// /apply "<folder>", which the unelevated updater passes to the elevated copy of
// itself that applies an all-users installation's update from the files waiting
// in that folder, and /continue, which a replaced updater gives its successor. Words in any letter
// case, separated by blanks. Portable.
#pragma once

#include <string>

namespace updater {

struct UpdaterCommand {
  bool silent = false;
  bool debug = false;
  bool apply = false;
  bool continued = false;  // /continue: started by the updater it replaced; checks at once
  std::string downloads;   // with /apply: where the verified downloads wait
};

// False for a word it does not know, a word twice, or /apply without a folder.
bool ParseUpdaterCommand(const char* tail, UpdaterCommand& command);

// The line the elevated child gets: /apply "<folder>", then /S and -debug as given.
std::string ApplyCommandTail(const UpdaterCommand& command);

}  // namespace updater
