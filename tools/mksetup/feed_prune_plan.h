// What `feed prune` does to a feed, decided before anything changes: the newest releases
// stay in the index, which is published first; then the content files go that neither
// the new index nor the one before it names (a lagging mirror or a player in the middle
// of an update may still fetch by the one before).
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "feed_format.h"

namespace mksetup {

struct PrunePlan {
  feed::Index index;                   // first: the index with the newest `keep` releases
  std::vector<feed::Version> kept;     // oldest first
  std::vector<feed::Version> dropped;  // oldest first; their files stay until the next prune
  std::vector<feed::Hash> remove;      // then: stored files no index names, in hash order
  // ... and the stored smaller forms the index before does not list.
  std::vector<feed::Hash> removeCompressed;
  std::vector<std::pair<feed::Hash, feed::Hash>> removePatches;  // from, to
};

// Every content file `index` names: release files, patch notes, the updater, the list.
std::vector<feed::Hash> NamedContent(const feed::Index& index);

// `current`: the index as it stands (the one before the new); `stored`: the content
// files the feed holds; `keep` at least 1. The kept releases keep the oldest version
// they update, so no installation a release could update is turned away by a prune.
// The new index keeps the smaller forms of what the kept releases hold, each patch only
// from a content one of them has.
PrunePlan PlanPrune(const feed::Index& current, std::size_t keep, std::vector<feed::Hash> stored);

// Adds to `plan` the stored compressed forms (by their content) and patches that
// `current` does not list.
void PlanFormsRemoval(const feed::Index& current, std::vector<feed::Hash> storedCompressed,
                      std::vector<std::pair<feed::Hash, feed::Hash>> storedPatches,
                      PrunePlan& plan);

}  // namespace mksetup
