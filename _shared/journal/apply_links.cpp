#include "apply_links.h"

#include "apply_journal.h"

namespace journal {
namespace {

// A file name or folder text: no control character, and no "|" (Windows refuses it in
// names, so it can part a link's name from its target).
bool PlainText(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == '|') return false;
  return true;
}

bool ReadLink(std::string_view rest, LinkPlan& plan) {
  const std::size_t bar = rest.find('|');
  if (bar == std::string_view::npos) return false;
  const std::string_view name = rest.substr(0, bar), target = rest.substr(bar + 1);
  if (!PlainText(name) || !PlainText(target) || !SafeName(target) ||
      name.find_first_of("\\/:") != std::string_view::npos || name == "." || name == "..")
    return false;
  plan.links.push_back({std::string(name), std::string(target)});
  return true;
}

}  // namespace

std::string LinkPlanText(const LinkPlan& plan) {
  std::string text = plan.allUsers ? "scope all\n" : "scope user\n";
  text += "group " + plan.group + "\n";
  for (const GroupLink& link : plan.links) text += "link " + link.name + "|" + link.target + "\n";
  return text;
}

bool ReadLinkPlan(std::string_view text, LinkPlan& plan) {
  plan = LinkPlan{};
  bool scope = false, group = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return false;  // every line ends, the last too
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return false;
    const std::string_view tag = line.substr(0, blank), rest = line.substr(blank + 1);
    if (tag == "scope" && !scope && (rest == "all" || rest == "user")) {
      scope = true;
      plan.allUsers = rest == "all";
    } else if (tag == "group" && !group && PlainText(rest)) {
      group = true;
      plan.group = rest;
    } else if (tag != "link" || !ReadLink(rest, plan)) {
      return false;
    }
  }
  return scope && group;
}

}  // namespace journal
