// What `feed prune` does to a feed, decided before anything changes: the newest releases
// stay in the index, which is published first; then the content files go that neither
// the new index nor the one before it names (a lagging mirror or a player in the middle
// of an update may still fetch by the one before).
#pragma once

#include <cstddef>
#include <vector>

#include "feed_format.h"

namespace mksetup {

struct PrunePlan {
  feed::Index index;                   // first: the index with the newest `keep` releases
  std::vector<feed::Version> kept;     // oldest first
  std::vector<feed::Version> dropped;  // oldest first; their files stay until the next prune
  std::vector<feed::Hash> remove;      // then: stored files no index names, in hash order
};

// Every content file `index` names: release files, patch notes, the updater, the list.
std::vector<feed::Hash> NamedContent(const feed::Index& index);

// `current`: the index as it stands (the one before the new); `stored`: the content
// files the feed holds; `keep` at least 1. The kept releases keep the oldest version
// they update, so no installation a release could update is turned away by a prune.
PrunePlan PlanPrune(const feed::Index& current, std::size_t keep, std::vector<feed::Hash> stored);

}  // namespace mksetup
