// The updater program's own decisions between the core's: where the feed's files are
// fetched from, which version the running updater counts as, what a fetch's or an
// apply's result means for the player and for a silent run's exit code, and which
// buttons the window offers in each phase. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "feed_format.h"
#include "fixed_names.h"
#include "http_get_win.h"
#include "release_apply_win.h"
#include "updater_steps.h"

namespace updater {

inline constexpr char kIndexFileName[] = "index.tdmfeed";

// The feed's base URL, ending in "/": the address the program carries is the feed's
// folder, or its index file itself.
std::string FeedBase(const std::string& url);
std::string IndexUrl(const std::string& base);
std::string ContentUrl(const std::string& base, const feed::Hash& hash);
// "host" or "host:port" of an http:// or https:// URL; the URL itself otherwise.
std::string ServerName(const std::string& url);

// The release whose updater this is: the index's newest updater when the running file
// is that very content, else the installed release's (it came with the installation).
feed::Version OwnUpdaterVersion(const feed::Hash& ownHash, const feed::Index& index,
                                const feed::Version& installed);

// What Start Game and Options start, relative to the installation directory: the
// release's main program (the client itself where the game's links start the updater)
// and the target of its settings link (24); without an index read yet, the client and
// the options program every release of the game has.
using installation::kClientFile;
inline constexpr char kOptionsFile[] = "TDMOptions.exe";
std::string ClientProgram(const feed::Release* release);
std::string OptionsProgram(const feed::Release* release);

FetchResult FetchResultOf(GetStatus status, bool alreadyThere);
// How a silent run ends when a download gave up with `status`.
Finish FinishAfterFailedFetch(GetStatus status);

struct ApplyReport {
  std::vector<std::uint32_t> messages;  // for the action log, in order
  bool nameShown = false;               // the file's name follows the first message
  bool askPatchNotes = false;           // 249
  Finish finish = Finish::kFailed;
};
ApplyReport DescribeApply(ApplyStatus status);
// The same for an apply an elevated child ran, from how it ended (its exit code).
ApplyReport DescribeElevatedApply(Finish finish);

// What the window offers while it is in a phase.
// The apply cannot be stopped halfway: the journal finishes or undoes it, not a click.
enum class Phase { kIdle, kWorking, kCancelling, kApplying };
struct Buttons {
  bool check = false, start = false, options = false, close = false;
  bool closeCancels = false;  // the close button stops the work, captioned Cancel
  friend bool operator==(const Buttons&, const Buttons&) = default;
};
// `settingsProgram`: the release's settings program is installed, so Options can start it.
Buttons ButtonsFor(Phase phase, bool settingsProgram);

}  // namespace updater
