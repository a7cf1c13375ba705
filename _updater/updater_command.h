// updater.exe's command line: /S (no window), -debug (the log in %TEMP%),
// /apply "<folder>" and /selfupdate "<folder>", which the unelevated updater passes to
// the elevated child of itself that applies an all-users installation's update, or
// puts its own successor in place, from the files waiting in that folder, and
// /continue, which a replaced updater gives its successor. Words in any letter case,
// separated by blanks. Portable.
#pragma once

#include <string>

namespace updater {

struct UpdaterCommand {
  bool silent = false;
  bool debug = false;
  bool apply = false;
  bool selfUpdate = false;  // /selfupdate: the elevated child replaces the program only
  bool continued = false;   // /continue: started by the updater it replaced; checks at once
  std::string downloads;    // with /apply or /selfupdate: where the downloads wait
};

// False for a word it does not know, a word twice, /apply or /selfupdate without a
// folder, or both of them.
bool ParseUpdaterCommand(const char* tail, UpdaterCommand& command);

// The line the elevated child gets: /apply "<folder>" (or /selfupdate), then /S and
// -debug as given.
std::string ApplyCommandTail(const UpdaterCommand& command);

}  // namespace updater
