#include "feed_prune_plan.h"

#include <algorithm>

namespace mksetup {
namespace {

void Add(std::vector<feed::Hash>& hashes, const feed::ContentRef& content) {
  if (content.present()) hashes.push_back(content.hash);
}

}  // namespace

std::vector<feed::Hash> NamedContent(const feed::Index& index) {
  std::vector<feed::Hash> named;
  Add(named, index.updater);
  Add(named, index.serverList);
  for (const feed::Release& release : index.releases) {
    for (const feed::ReleaseFile& file : release.files) Add(named, file.content);
    for (const feed::ContentRef& notes : release.patchNotes) Add(named, notes);
  }
  std::sort(named.begin(), named.end());
  named.erase(std::unique(named.begin(), named.end()), named.end());
  return named;
}

PrunePlan PlanPrune(const feed::Index& current, std::size_t keep, std::vector<feed::Hash> stored) {
  PrunePlan plan;
  plan.index = current;
  std::vector<feed::Release>& releases = plan.index.releases;
  std::stable_sort(
      releases.begin(), releases.end(),
      [](const feed::Release& a, const feed::Release& b) { return a.version < b.version; });
  const std::size_t drop = releases.size() > keep ? releases.size() - keep : 0;
  for (std::size_t i = 0; i < releases.size(); ++i)
    (i < drop ? plan.dropped : plan.kept).push_back(releases[i].version);
  releases.erase(releases.begin(), releases.begin() + static_cast<std::ptrdiff_t>(drop));
  // The new index names a part of what the current one names: the current one decides.
  const std::vector<feed::Hash> named = NamedContent(current);
  std::sort(stored.begin(), stored.end());
  stored.erase(std::unique(stored.begin(), stored.end()), stored.end());
  std::set_difference(stored.begin(), stored.end(), named.begin(), named.end(),
                      std::back_inserter(plan.remove));
  return plan;
}

}  // namespace mksetup
