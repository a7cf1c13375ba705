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
  // A patch from a content only a dropped release had serves no installation a kept
  // release updates that the compressed whole would not.
  std::vector<feed::Hash> held;
  for (const feed::Release& release : releases)
    for (const feed::ReleaseFile& file : release.files) held.push_back(file.content.hash);
  std::sort(held.begin(), held.end());
  const auto isHeld = [&held](const feed::Hash& hash) {
    return std::binary_search(held.begin(), held.end(), hash);
  };
  std::vector<feed::ContentForms>& forms = plan.index.forms;
  std::erase_if(forms, [&](const feed::ContentForms& f) { return !isHeld(f.content); });
  for (feed::ContentForms& f : forms)
    std::erase_if(f.patches, [&](const feed::Patch& patch) { return !isHeld(patch.from); });
  std::erase_if(forms, [](const feed::ContentForms& f) {
    return !f.compressed.present() && f.patches.empty();
  });
  // The new index names a part of what the current one names: the current one decides.
  const std::vector<feed::Hash> named = NamedContent(current);
  std::sort(stored.begin(), stored.end());
  stored.erase(std::unique(stored.begin(), stored.end()), stored.end());
  std::set_difference(stored.begin(), stored.end(), named.begin(), named.end(),
                      std::back_inserter(plan.remove));
  return plan;
}

void PlanFormsRemoval(const feed::Index& current, std::vector<feed::Hash> storedCompressed,
                      std::vector<std::pair<feed::Hash, feed::Hash>> storedPatches,
                      PrunePlan& plan) {
  std::vector<feed::Hash> compressed;
  std::vector<std::pair<feed::Hash, feed::Hash>> patches;
  for (const feed::ContentForms& forms : current.forms) {
    if (forms.compressed.present()) compressed.push_back(forms.content);
    for (const feed::Patch& patch : forms.patches) patches.emplace_back(patch.from, forms.content);
  }
  std::sort(compressed.begin(), compressed.end());
  std::sort(patches.begin(), patches.end());
  std::sort(storedCompressed.begin(), storedCompressed.end());
  std::sort(storedPatches.begin(), storedPatches.end());
  std::set_difference(storedCompressed.begin(), storedCompressed.end(), compressed.begin(),
                      compressed.end(), std::back_inserter(plan.removeCompressed));
  std::set_difference(storedPatches.begin(), storedPatches.end(), patches.begin(), patches.end(),
                      std::back_inserter(plan.removePatches));
}

}  // namespace mksetup
